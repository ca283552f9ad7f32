-- Three nested calls with six arguments each, everything local to main.
local function main()
  local n = 5000000 -- @n
  local function inner(a, b, c, d, e, f)
    return a + b + c + d + e + f
  end
  local function middle(a, b, c, d, e, f)
    return inner(f, e, d, c, b, a) - a
  end
  local function outer(a, b, c, d, e, f)
    return middle(b, c, d, e, f, a) + 1
  end
  local total = 0
  local i = 0
  while i < n do
    total = total + outer(i, 1, 2, 3, 4, 5)
    i = i + 1
  end
  print(total)
end
main()
