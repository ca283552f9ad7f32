# Sieve of Eratosthenes over 0..n without index assignment: for every prime
# p up to limit, the flag array is rebuilt element by element with append,
# striking the multiples of p from p * p on.
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
