-- Text work and a tree walk, everything local to main (the tree functions
-- included).
local function main()
  local blocks = 100 -- @blocks
  local depth = 16 -- @depth

  -- Lua has no split; this one keeps empty pieces, like the other two.
  local function split(s, sep)
    local out = {}
    local start = 1
    while true do
      local a, b = string.find(s, sep, start, true)
      if not a then
        out[#out + 1] = string.sub(s, start)
        return out
      end
      out[#out + 1] = string.sub(s, start, a - 1)
      start = b + 1
    end
  end

  local vocab = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed", "do", "eiusmod", "tempor", "incididunt"}
  local seed = 7
  local text = ""
  local b = 0
  while b < blocks do
    local block = ""
    local c = 0
    while c < 100 do
      local line = ""
      local w = 0
      while w < 100 do
        seed = (seed * 1103515245 + 12345) % 2147483648
        line = line .. (vocab[seed % 13 + 1] .. " ")
        w = w + 1
      end
      block = block .. line
      c = c + 1
    end
    text = text .. block
    b = b + 1
  end
  local parts = split(text, " ")
  local chars = 0
  local hits = 0
  local heads = 0
  local labels = 0
  local acronym = ""
  local i = 0
  for _, word in ipairs(parts) do
    chars = chars + #word
    if string.find(word, "or", 1, true) then
      hits = hits + 1
    end
    local head = string.upper(string.sub(word, 2, 4))
    if head == "OLO" then
      heads = heads + 1
    end
    labels = labels + #(head .. #word)
    if i % 1000 == 0 then
      acronym = acronym .. string.upper(string.sub(word, 1, 1))
    end
    i = i + 1
  end
  print(#parts)
  print(chars)
  print(hits)
  print(heads)
  print(labels)
  print(#acronym)
  print(string.sub(acronym, 1, 40))

  local function build(d)
    if d == 0 then
      return {1, 2, 3}
    end
    return {value = d, kids = {build(d - 1), build(d - 1)}}
  end
  local function walk(node)
    if node.kids then
      local acc = node.value
      for _, kid in ipairs(node.kids) do
        acc = acc + walk(kid)
      end
      return acc
    end
    local acc = 0
    for _, x in ipairs(node) do
      acc = acc + x
    end
    return acc
  end
  local tree = build(depth)
  print(walk(tree))
end
main()
