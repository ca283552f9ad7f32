# Builds a string with s = s + "x", on local variables.
def main():
    n = 1000000  # @n
    s = ""
    i = 0
    while i < n:
        s = s + "x"
        i += 1
    print(len(s))


main()
