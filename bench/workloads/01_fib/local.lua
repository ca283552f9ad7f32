-- Recursive Fibonacci, everything local to main (fib itself included).
local function main()
  local n = 32 -- @n
  local function fib(k)
    if k < 2 then
      return k
    end
    return fib(k - 1) + fib(k - 2)
  end
  print(fib(n))
end
main()
