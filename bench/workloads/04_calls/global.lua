-- Three nested calls with six arguments each, five million times: argument
-- binding, scope creation and return values.
n = 5000000 -- @n
function inner(a, b, c, d, e, f)
  return a + b + c + d + e + f
end
function middle(a, b, c, d, e, f)
  return inner(f, e, d, c, b, a) - a
end
function outer(a, b, c, d, e, f)
  return middle(b, c, d, e, f, a) + 1
end
total = 0
i = 0
while i < n do
  total = total + outer(i, 1, 2, 3, 4, 5)
  i = i + 1
end
print(total)
