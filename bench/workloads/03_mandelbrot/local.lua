-- Mandelbrot set in floats, on local variables.
local function main()
  local size = 500 -- @size
  local iters = 50 -- @iters
  local inside = 0
  local steps = 0
  for y = 0, size - 1 do
    local ci = 2.0 * y / size - 1.0
    for x = 0, size - 1 do
      local cr = 2.0 * x / size - 1.5
      local zr = 0.0
      local zi = 0.0
      local zr2 = 0.0
      local zi2 = 0.0
      local k = 0
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
end
main()
