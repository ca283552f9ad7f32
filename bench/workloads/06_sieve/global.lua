-- Sieve of Eratosthenes over 0..n without index assignment to existing
-- slots: for every prime p up to limit, the flag array is rebuilt element by
-- element by appending, striking the multiples of p from p * p on. Flag j
-- sits at index j + 1.
n = 300000 -- @n
limit = 547 -- @limit
flags = {}
for j = 0, n do
  flags[#flags + 1] = j >= 2
end
p = 2
while p <= limit do
  if flags[p + 1] then
    fresh = {}
    strike = p * p
    for j = 0, n do
      if j == strike then
        fresh[#fresh + 1] = false
        strike = strike + p
      else
        fresh[#fresh + 1] = flags[j + 1]
      end
    end
    flags = fresh
  end
  p = p + 1
end
count = 0
for j = 0, n do
  if flags[j + 1] then
    count = count + 1
  end
end
print(count)
