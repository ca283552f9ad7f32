-- Builds a string of n characters with s = s .. "x". Lua strings are
-- immutable, so every step copies the string: this is quadratic in Lua.
n = 1000000 -- @n
s = ""
i = 0
while i < n do
  s = s .. "x"
  i = i + 1
end
print(#s)
