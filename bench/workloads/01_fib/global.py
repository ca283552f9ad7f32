# Recursive Fibonacci: call overhead, integer arithmetic, comparisons.
n = 32  # @n


def fib(k):
    if k < 2:
        return k
    return fib(k - 1) + fib(k - 2)


print(fib(n))
