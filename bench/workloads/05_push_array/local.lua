-- Builds an array with push and sums it by index, on local variables.
local function main()
  local n = 2000000 -- @n
  local xs = {}
  local i = 0
  while i < n do
    xs[#xs + 1] = i
    i = i + 1
  end
  local count = #xs
  local total = 0
  i = 0
  while i < count do
    total = total + xs[i + 1]
    i = i + 1
  end
  print(count)
  print(total)
end
main()
