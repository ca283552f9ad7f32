-- Recursive Fibonacci: call overhead, integer arithmetic, comparisons.
n = 32 -- @n
function fib(k)
  if k < 2 then
    return k
  end
  return fib(k - 1) + fib(k - 2)
end
print(fib(n))
