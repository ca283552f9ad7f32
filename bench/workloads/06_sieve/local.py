# Sieve that rebuilds its flag array with append for each prime, on local
# variables.
def main():
    n = 300000  # @n
    limit = 547  # @limit
    flags = []
    for j in range(0, n + 1):
        flags.append(j >= 2)
    p = 2
    while p <= limit:
        if flags[p]:
            fresh = []
            strike = p * p
            for j in range(0, n + 1):
                if j == strike:
                    fresh.append(False)
                    strike += p
                else:
                    fresh.append(flags[j])
            flags = fresh
        p += 1
    count = 0
    for j in range(0, n + 1):
        if flags[j]:
            count += 1
    print(count)


main()
