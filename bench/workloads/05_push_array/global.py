# Builds an array of n numbers one push at a time, then sums it by index.
n = 2000000  # @n
xs = []
i = 0
while i < n:
    xs.append(i)
    i += 1
count = len(xs)
total = 0
i = 0
while i < count:
    total += xs[i]
    i += 1
print(count)
print(total)
