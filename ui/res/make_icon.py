#!/usr/bin/env python3
"""Draws velmori.ico: a page of source code whose comment lines are struck out.

Images: 16, 32 and 48 pixels in 32-bit color with alpha, and 32 pixels in 256
colors. Each size is drawn pixel by pixel from its own table, so the lines stay
crisp. Run it after changing the design and commit the .ico it writes:

    python3 ui/res/make_icon.py ui/res/velmori.ico
"""
import struct
import sys

WHITE = (255, 255, 255)
BORDER = (80, 80, 80)
FOLD = (208, 208, 208)
CODE = (31, 63, 143)
COMMENT = (0, 128, 0)
STRIKE = (224, 32, 32)

# Per size: the page (left, top, right, bottom, inclusive), the folded corner,
# the height of a code line, and the text lines. A code line is (kind, top, x0, x1);
# a comment line is green text with a red bar through it that reaches past it:
# ("comment", top, x0, x1, green rows above and below, red rows, red overhang).
DESIGNS = {
    16: dict(page=(2, 0, 13, 15), fold=4, code_rows=1, lines=[
        ("code", 3, 4, 7),
        ("comment", 5, 4, 11, 1, 1, 1),
        ("code", 9, 5, 11),
        ("comment", 11, 4, 10, 1, 1, 1),
    ]),
    32: dict(page=(5, 1, 26, 30), fold=7, code_rows=2, lines=[
        ("code", 7, 9, 17),
        ("comment", 11, 9, 22, 1, 1, 2),
        ("code", 16, 11, 22),
        ("comment", 20, 9, 21, 1, 1, 2),
        ("code", 25, 11, 19),
    ]),
    48: dict(page=(8, 2, 39, 45), fold=10, code_rows=3, lines=[
        ("code", 11, 13, 25),
        ("comment", 17, 13, 33, 2, 2, 3),
        ("code", 25, 16, 33),
        ("comment", 31, 13, 31, 2, 2, 3),
        ("code", 39, 16, 28),
    ]),
}


def draw(size):
    d = DESIGNS[size]
    px = [[None] * size for _ in range(size)]  # None: transparent
    left, top, right, bottom = d["page"]
    fold = d["fold"]
    fold_x = right - fold  # the fold's diagonal runs from (fold_x, top) to (right, top + fold)

    def inside_page(x, y):
        return left <= x <= right and top <= y <= bottom and (x - fold_x) <= (y - top)

    for y in range(size):
        for x in range(size):
            if not inside_page(x, y):
                continue
            edge = (x in (left, right) or y in (top, bottom) or (x - fold_x) == (y - top)
                    or not inside_page(x + 1, y) or not inside_page(x, y - 1))
            px[y][x] = BORDER if edge else WHITE
    # The turned-down corner: a flap below the diagonal, showing the back of the page.
    for y in range(top, top + fold + 1):
        for x in range(fold_x, right + 1):
            if (x - fold_x) <= (y - top):
                on_edge = x == fold_x or y == top + fold or (x - fold_x) == (y - top)
                px[y][x] = BORDER if on_edge else FOLD

    for line in d["lines"]:
        if line[0] == "code":
            _, y0, x0, x1 = line
            for y in range(y0, y0 + d["code_rows"]):
                for x in range(x0, x1 + 1):
                    px[y][x] = CODE
        else:
            _, y0, x0, x1, green, red, over = line
            for i in range(green):
                for x in range(x0, x1 + 1):
                    px[y0 + i][x] = COMMENT
                    px[y0 + green + red + i][x] = COMMENT
            for i in range(red):
                for x in range(x0 - over, x1 + over + 1):
                    px[y0 + green + i][x] = STRIKE
    return px


def and_mask(px):
    size = len(px)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for x, color in enumerate(row):
            if color is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def dib_header(size, bits, colors):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colors, 0)


def image_32bit(px):
    size = len(px)
    data = bytearray()
    for row in reversed(px):
        for color in row:
            if color is None:
                data += b"\0\0\0\0"
            else:
                r, g, b = color
                data += bytes((b, g, r, 255))
    return dib_header(size, 32, 0) + bytes(data) + and_mask(px)


def image_8bit(px):
    size = len(px)
    palette = [(0, 0, 0)]  # index 0: under the transparent pixels
    for row in px:
        for color in row:
            if color is not None and color not in palette:
                palette.append(color)
    assert len(palette) <= 256
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + b"\0" * 4 * (256 - len(palette))
    stride = (size + 3) // 4 * 4
    data = bytearray()
    for row in reversed(px):
        line = bytearray(stride)
        for x, color in enumerate(row):
            line[x] = 0 if color is None else palette.index(color)
        data += line
    return dib_header(size, 8, 256) + table + bytes(data) + and_mask(px)


def main(path):
    images = [(16, 32, image_32bit(draw(16))), (32, 32, image_32bit(draw(32))),
              (48, 32, image_32bit(draw(48))), (32, 8, image_8bit(draw(32)))]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    for size, bits, data in images:
        colors = 0  # 0: 256 or more
        entries += struct.pack("<BBBBHHII", size, size, colors, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(header + entries + b"".join(data for _, _, data in images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "velmori.ico")
