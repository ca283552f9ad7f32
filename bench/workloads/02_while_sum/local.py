# A while loop summing integers, on local variables.
def main():
    n = 50000000  # @n
    total = 0
    i = 0
    while i < n:
        total += i
        i += 1
    print(total)


main()
