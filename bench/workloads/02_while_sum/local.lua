-- A while loop summing integers, on local variables.
local function main()
  local n = 50000000 -- @n
  local total = 0
  local i = 0
  while i < n do
    total = total + i
    i = i + 1
  end
  print(total)
end
main()
