# A while loop summing integers: loop, comparison and compound assignment.
n = 50000000  # @n
total = 0
i = 0
while i < n:
    total += i
    i += 1
print(total)
