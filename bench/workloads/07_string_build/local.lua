-- Builds a string with s = s .. "x", on local variables (quadratic in Lua).
local function main()
  local n = 1000000 -- @n
  local s = ""
  local i = 0
  while i < n do
    s = s .. "x"
    i = i + 1
  end
  print(#s)
end
main()
