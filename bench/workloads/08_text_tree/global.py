# Text work and a tree walk. Part one generates a text of blocks x 10000
# words (lines of 100 words, blocks of 100 lines), splits it and runs slice,
# upper, contains, len and concatenation over every word. Part two builds a
# binary tree of dictionaries depth levels deep, with lists as leaves, and
# sums it recursively.
blocks = 100  # @blocks
depth = 16  # @depth
vocab = ["lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit", "sed", "do", "eiusmod", "tempor", "incididunt"]
seed = 7
text = ""
b = 0
while b < blocks:
    block = ""
    c = 0
    while c < 100:
        line = ""
        w = 0
        while w < 100:
            seed = (seed * 1103515245 + 12345) % 2147483648
            line = line + (vocab[seed % 13] + " ")
            w += 1
        block = block + line
        c += 1
    text = text + block
    b += 1
parts = text.split(" ")
chars = 0
hits = 0
heads = 0
labels = 0
acronym = ""
i = 0
for word in parts:
    chars += len(word)
    if "or" in word:
        hits += 1
    head = word[1:4].upper()
    if head == "OLO":
        heads += 1
    labels += len(head + str(len(word)))
    if i % 1000 == 0:
        acronym = acronym + word[0:1].upper()
    i += 1
print(len(parts))
print(chars)
print(hits)
print(heads)
print(labels)
print(len(acronym))
print(acronym[0:40])


def build(d):
    if d == 0:
        return [1, 2, 3]
    return {"value": d, "kids": [build(d - 1), build(d - 1)]}


def walk(node):
    if isinstance(node, dict):
        acc = node["value"]
        for kid in node["kids"]:
            acc += walk(kid)
        return acc
    acc = 0
    for x in node:
        acc += x
    return acc


tree = build(depth)
print(walk(tree))
