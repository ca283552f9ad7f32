# Builds an array with push and sums it by index, on local variables.
def main():
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


main()
