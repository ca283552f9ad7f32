# Recursive Fibonacci, everything local to main (fib itself included).
def main():
    n = 32  # @n

    def fib(k):
        if k < 2:
            return k
        return fib(k - 1) + fib(k - 2)

    print(fib(n))


main()
