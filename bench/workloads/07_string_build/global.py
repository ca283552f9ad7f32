# Builds a string of n characters with s = s + "x".
n = 1000000  # @n
s = ""
i = 0
while i < n:
    s = s + "x"
    i += 1
print(len(s))
