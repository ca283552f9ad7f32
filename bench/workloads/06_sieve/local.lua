-- Sieve that rebuilds its flag array by appending for each prime, on local
-- variables. Flag j sits at index j + 1.
local function main()
  local n = 300000 -- @n
  local limit = 547 -- @limit
  local flags = {}
  for j = 0, n do
    flags[#flags + 1] = j >= 2
  end
  local p = 2
  while p <= limit do
    if flags[p + 1] then
      local fresh = {}
      local strike = p * p
      for j = 0, n do
        if j == strike then
          fresh[#fresh + 1] = false
          strike = strike + p
        else
          fresh[#fresh + 1] = flags[j + 1]
        end
      end
      flags = fresh
    end
    p = p + 1
  end
  local count = 0
  for j = 0, n do
    if flags[j + 1] then
      count = count + 1
    end
  end
  print(count)
end
main()
