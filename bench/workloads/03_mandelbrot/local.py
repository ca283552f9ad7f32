# Mandelbrot set in floats, on local variables.
def main():
    size = 500  # @size
    iters = 50  # @iters
    inside = 0
    steps = 0
    for y in range(0, size):
        ci = 2.0 * y / size - 1.0
        for x in range(0, size):
            cr = 2.0 * x / size - 1.5
            zr = 0.0
            zi = 0.0
            zr2 = 0.0
            zi2 = 0.0
            k = 0
            while k < iters and zr2 + zi2 <= 4.0:
                zi = 2.0 * zr * zi + ci
                zr = zr2 - zi2 + cr
                zr2 = zr * zr
                zi2 = zi * zi
                k += 1
            steps += k
            if k == iters:
                inside += 1
    print(inside)
    print(steps)


main()
