-- A while loop summing integers: loop, comparison and compound assignment.
n = 50000000 -- @n
total = 0
i = 0
while i < n do
  total = total + i
  i = i + 1
end
print(total)
