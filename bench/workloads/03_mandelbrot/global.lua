-- Mandelbrot set on a size x size grid in floats: float arithmetic in a
-- tight loop. Prints the points that never escape and the total iterations.
size = 500 -- @size
iters = 50 -- @iters
inside = 0
steps = 0
for y = 0, size - 1 do
  ci = 2.0 * y / size - 1.0
  for x = 0, size - 1 do
    cr = 2.0 * x / size - 1.5
    zr = 0.0
    zi = 0.0
    zr2 = 0.0
    zi2 = 0.0
    k = 0
    while k < iters and zr2 + zi2 <= 4.0 do
      zi = 2.0 * zr * zi + ci
      zr = zr2 - zi2 + cr
      zr2 = zr * zr
      zi2 = zi * zi
      k = k + 1
    end
    steps = steps + k
    if k == iters then
      inside = inside + 1
    end
  end
end
print(inside)
print(steps)
