#!/usr/bin/python3
"""Reference splay-tree coder of BRP page payloads, bit by bit and plain.

    splay_coder.py code            standard input coded to standard output
    splay_coder.py decode SIZE     SIZE bytes decoded from standard input

The tree has 513 nodes: inner nodes 0..255 (0 the root), the leaf of byte v
is node v + 256. It starts as the complete tree in heap order (children of
i are 2i+1 and 2i+2). A byte's code is its path from the root (0 left, 1
right); bits fill each output byte from its least significant bit. After
every byte its leaf is semi-splayed: it swaps places with its parent's
sibling, and the walk goes on from the grandparent until the root.
"""
import sys


class Tree:
    def __init__(self):
        self.parent = [0] + [(i - 1) // 2 for i in range(1, 513)]
        self.left = [2 * i + 1 for i in range(256)]
        self.right = [2 * i + 2 for i in range(256)]

    def splay(self, value):
        a = value + 256
        while True:
            c = self.parent[a]
            if c == 0:
                return
            d = self.parent[c]
            if self.left[d] == c:
                b = self.right[d]
                self.right[d] = a
            else:
                b = self.left[d]
                self.left[d] = a
            if self.left[c] == a:
                self.left[c] = b
            else:
                self.right[c] = b
            self.parent[a] = d
            self.parent[b] = c
            a = d
            if a == 0:
                return


def code(data):
    tree = Tree()
    out = bytearray()
    byte = 0
    pos = 0
    for v in data:
        path = []
        node = v + 256
        while node != 0:
            p = tree.parent[node]
            path.append(1 if tree.right[p] == node else 0)
            node = p
        for bit in reversed(path):
            if bit:
                byte |= 1 << pos
            pos += 1
            if pos == 8:
                out.append(byte)
                byte = 0
                pos = 0
        tree.splay(v)
    if pos:
        out.append(byte)
    return bytes(out)


def decode(data, size):
    tree = Tree()
    out = bytearray()
    index = 0
    pos = 8
    byte = 0
    for _ in range(size):
        node = 0
        while node < 256:
            if pos == 8:
                if index >= len(data):
                    raise ValueError("code ends early")
                byte = data[index]
                index += 1
                pos = 0
            bit = (byte >> pos) & 1
            pos += 1
            node = tree.right[node] if bit else tree.left[node]
        out.append(node - 256)
        tree.splay(node - 256)
    return bytes(out)


def main():
    data = sys.stdin.buffer.read()
    if sys.argv[1:2] == ["code"]:
        sys.stdout.buffer.write(code(data))
    elif sys.argv[1:2] == ["decode"] and len(sys.argv) == 3:
        try:
            sys.stdout.buffer.write(decode(data, int(sys.argv[2])))
        except ValueError as e:
            print(e, file=sys.stderr)
            return 1
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
