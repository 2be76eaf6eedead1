#!/usr/bin/env python3
"""Draws the two pictures of the welcome page, resources/p1/title1.gif and
resources/p1/printer.gif, with nothing but the standard library.

title1.gif (1000 x 104): the title band; the welcome page writes the white
program title over it. printer.gif (1000 x 400): a label printer issuing a
label. Run from anywhere: python3 scripts/make_gifs.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "p1")


class Canvas:
    def __init__(self, width, height, background=0):
        self.width, self.height = width, height
        self.pixels = bytearray([background]) * (width * height)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills x0 <= x < x1, y0 <= y < y1, clipped to the canvas."""
        x0, x1 = max(0, x0), min(self.width, x1)
        for y in range(max(0, y0), min(self.height, y1)):
            row = y * self.width
            self.pixels[row + x0:row + x1] = bytes([colour]) * max(0, x1 - x0)

    def rounded(self, x0, y0, x1, y1, radius, colour):
        """A rectangle with quarter-circle corners."""
        for y in range(y0, y1):
            dy = max(y0 + radius - y, y - (y1 - 1 - radius), 0)
            inset = radius - int((radius * radius - dy * dy) ** 0.5) if dy else 0
            self.rect(x0 + inset, y, x1 - inset, y + 1, colour)


def lzw(pixels, min_code_size):
    """GIF LZW compression of palette indexes; returns the packed bytes."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bits, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = fresh()
    emit(clear, size)
    word = b""
    for p in pixels:
        candidate = word + bytes([p])
        if candidate in table:
            word = candidate
            continue
        emit(table[word], size)
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = fresh()
        else:
            table[candidate] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        word = bytes([p])
    if word:
        emit(table[word], size)
    emit(end, size)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def write_gif(path, canvas, palette):
    palette = palette + [(0, 0, 0)] * (16 - len(palette))
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", canvas.width, canvas.height, 0xF3, 0, 0)  # global table of 16 colours
    for r, g, b in palette:
        data += bytes([r, g, b])
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    data.append(4)  # LZW minimum code size
    packed = lzw(canvas.pixels, 4)
    for i in range(0, len(packed), 255):
        block = packed[i:i + 255]
        data += bytes([len(block)]) + block
    data += b"\x00\x3B"
    with open(path, "wb") as f:
        f.write(data)


def title():
    # Eight shades from deep navy to a lighter blue, then an orange rule.
    shades = [(18, 53, 91), (21, 60, 102), (25, 68, 114), (29, 76, 126),
              (33, 84, 138), (37, 92, 150), (41, 100, 162), (45, 108, 174)]
    palette = shades + [(217, 130, 43), (255, 255, 255)]
    c = Canvas(1000, 104)
    for x in range(1000):
        c.rect(x, 0, x + 1, 98, x * len(shades) // 1000)
    c.rect(0, 98, 1000, 104, 8)
    # A small printer emblem at the left: a white frame with a label slot.
    c.rect(40, 30, 200, 36, 9)
    c.rect(40, 30, 46, 80, 9)
    c.rect(194, 30, 200, 80, 9)
    c.rect(40, 74, 200, 80, 9)
    c.rect(70, 58, 170, 62, 8)
    write_gif(os.path.join(OUT, "title1.gif"), c, palette)


def printer():
    palette = [(255, 255, 255),   # 0 background
               (232, 236, 241),   # 1 floor shadow
               (70, 80, 92),      # 2 body
               (52, 60, 70),      # 3 body edge
               (95, 107, 120),    # 4 lid
               (185, 210, 122),   # 5 display
               (22, 33, 11),      # 6 display text
               (217, 130, 43),    # 7 button
               (250, 250, 246),   # 8 label
               (20, 20, 20),      # 9 bars
               (18, 53, 91)]      # 10 slot
    c = Canvas(1000, 400)
    c.rounded(300, 340, 700, 360, 10, 1)
    c.rounded(320, 110, 680, 345, 18, 3)
    c.rounded(326, 116, 674, 339, 14, 2)
    c.rounded(330, 70, 670, 150, 24, 4)
    c.rect(330, 140, 670, 150, 3)
    c.rect(360, 250, 640, 258, 10)                # label exit slot
    c.rect(370, 180, 520, 222, 5)                 # display
    for i, x in enumerate(range(380, 500, 20)):   # READY on the display, as blocks
        c.rect(x, 192, x + 12, 210, 6 if i % 2 == 0 else 5)
    c.rounded(560, 184, 596, 220, 18, 7)          # FEED button
    c.rounded(606, 184, 642, 220, 18, 7)          # PAUSE button
    c.rect(400, 254, 600, 330, 8)                 # the label coming out
    for i, x in enumerate(range(420, 580, 7)):
        width = 2 + (i * 5) % 4
        c.rect(x, 270, x + width, 310, 9)
    c.rect(420, 316, 580, 320, 9)
    write_gif(os.path.join(OUT, "printer.gif"), c, palette)


if __name__ == "__main__":
    title()
    printer()
