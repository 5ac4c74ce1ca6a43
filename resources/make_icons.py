#!/usr/bin/env python3
"""Draws the program icon A_MAIN and writes it as a Windows icon group and as PNG files.

    resources/make_icons.py [OUTPUT_DIR]

Writes A_MAIN.ico (a 16x16 and a 32x32 image, 16 colours each) and A_MAIN-16.png,
A_MAIN-32.png, A_MAIN-64.png into OUTPUT_DIR (default: the folder of this script). The
picture: a yellow folder carrying a small landscape picture (sky, sun, hills), the dressing
the program gives every folder. Only the standard library is used, so the output is the same
on every machine.
"""
import os
import struct
import sys
import zlib

# The 16 colours of the standard Windows palette, index -> (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_YELLOW, GREY, YELLOW, GREEN, DARK_GREEN = 0, 3, 8, 11, 10, 2
SKY, WHITE, RED, BLUE = 14, 15, 9, 12
T = None  # transparent


def draw(size):
    """The picture on a size x size grid, drawn in a 32-unit design space."""
    s = size / 32.0
    img = [[T] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(round(y0 * s)), int(round(y1 * s))):
            for x in range(int(round(x0 * s)), int(round(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    img[y][x] = colour

    def frame(x0, y0, x1, y1, colour):
        a, b = int(round(x0 * s)), int(round(x1 * s)) - 1
        c, d = int(round(y0 * s)), int(round(y1 * s)) - 1
        for x in range(a, b + 1):
            img[c][x] = img[d][x] = colour
        for y in range(c, d + 1):
            img[y][a] = img[y][b] = colour

    # Folder: tab, back and front.
    rect(2, 5, 13, 9, DARK_YELLOW)
    if size >= 32:  # at 16 pixels a frame would leave no tab colour at all
        frame(2, 5, 13, 9, BLACK)
    rect(2, 8, 30, 28, YELLOW)
    frame(2, 8, 30, 28, BLACK)
    # The picture on the folder: sky, sun, two hills.
    px0, py0, px1, py1 = 7, 11, 26, 25
    rect(px0, py0, px1, py1, SKY)
    rect(20, 13, 24, 17, RED)
    for x in range(px0, px1):
        for y in range(py0, py1):
            hill1 = (x - 12) ** 2 / 36.0 + (y - 25) ** 2 / 49.0 <= 1
            hill2 = (x - 22) ** 2 / 30.0 + (y - 26) ** 2 / 36.0 <= 1
            if hill1 or hill2:
                rect(x, y, x + 1, y + 1, GREEN if hill1 else DARK_GREEN)
    frame(px0, py0, px1, py1, BLUE)
    # A shadow line under the folder.
    rect(3, 28, 31, 29, GREY)
    return img


def ico_image(img):
    """A 4-bit BMP (header, palette, XOR bits, AND mask) as an icon directory entry holds it."""
    size = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    xor, mask = b"", b""
    for y in reversed(range(size)):  # bottom-up rows
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(size):
            c = img[y][x]
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
        mask += bytes(bits)
    return header + palette + xor + mask


def write_ico(path, images):
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for img in images:
        blob = ico_image(img)
        size = len(img)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs += blob
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + blobs)


def write_png(path, img):
    size = len(img)
    raw = b""
    for row in img:
        raw += b"\0" + b"".join(
            bytes((0, 0, 0, 0)) if c is None else bytes(PALETTE[c] + (255,)) for c in row)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    small, large = draw(16), draw(32)
    write_ico(os.path.join(out, "A_MAIN.ico"), [small, large])
    write_png(os.path.join(out, "A_MAIN-16.png"), small)
    write_png(os.path.join(out, "A_MAIN-32.png"), large)
    write_png(os.path.join(out, "A_MAIN-64.png"), draw(64))


if __name__ == "__main__":
    main()
