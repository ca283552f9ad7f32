-- Builds an array of n numbers one push at a time, then sums it by index.
n = 2000000 -- @n
xs = {}
i = 0
while i < n do
  xs[#xs + 1] = i
  i = i + 1
end
count = #xs
total = 0
i = 0
while i < count do
  total = total + xs[i + 1]
  i = i + 1
end
print(count)
print(total)
