#!/usr/bin/env python3
"""Draws the program's icon, the info picture and the logo of the Win32
windows (tallyquest.ico, info.ico, logo.bmp in this folder). Run again after
changing a picture; the outputs are kept in the repository."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# A 5 by 7 pixel font for the few letters the pictures use.
GLYPHS = {
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'l': [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'y': [".....", ".....", "#...#", "#...#", ".####", "....#", ".###."],
    'q': [".....", ".....", ".####", "#...#", ".####", "....#", "....#"],
    'u': [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    's': [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    't': [".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."],
    'i': ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
}


def text_mask(text, scale):
    """The set of pixels covered by `text` at `scale`, and its size."""
    pixels = set()
    x0 = 0
    for ch in text:
        rows = GLYPHS[ch]
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                if c == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels.add((x0 + x * scale + dx, y * scale + dy))
        x0 += 6 * scale
    return pixels, x0 - scale, 7 * scale


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def icon_image(side, draw):
    """BGRA rows, top first, with 4x supersampling of `draw(x, y) -> rgba`."""
    rows = []
    n = 4
    for y in range(side):
        row = []
        for x in range(side):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = draw((x + (sx + 0.5) / n) / side, (y + (sy + 0.5) / n) / side)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if acc[3] > 0:
                row.append((int(acc[2] / acc[3]), int(acc[1] / acc[3]), int(acc[0] / acc[3]), int(round(a))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico(path, images):
    """Writes 32-bit images (side, rows) as one .ico file."""
    header = struct.pack('<HHH', 0, 1, len(images))
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for side, rows in images:
        bih = struct.pack('<IiiHHIIiiII', 40, side, side * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b''.join(bytes(p) for row in reversed(rows) for p in row)
        stride = ((side + 31) // 32) * 4
        and_mask = b''
        for row in reversed(rows):
            bits = 0
            line = bytearray(stride)
            for x, p in enumerate(row):
                if p[3] == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            and_mask += bytes(line)
        blob = bih + xor + and_mask
        entries += struct.pack('<BBBBHHII', side % 256, side % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(header + entries + blobs)


def program_icon(side):
    pixels, tw, th = text_mask('T', 1)

    def draw(u, v):
        # A rounded square with a diagonal blue gradient and a white "T".
        r = 0.17
        dx = max(abs(u - 0.5) - (0.5 - r), 0)
        dy = max(abs(v - 0.5) - (0.5 - r), 0)
        if math.hypot(dx, dy) > r:
            return (0, 0, 0, 0)
        gx, gy = int((u - 0.2) / 0.6 * 5), int((v - 0.15) / 0.7 * 7)
        if 0.2 <= u < 0.8 and 0.15 <= v < 0.85 and (gx, gy) in pixels:
            return (255, 255, 255, 255)
        c = mix((0x30, 0x60, 0xC0), (0x00, 0x20, 0x70), (u + v) / 2)
        return c + (255,)
    return icon_image(side, draw)


def info_icon(side):
    pixels, tw, th = text_mask('i', 1)

    def draw(u, v):
        d = math.hypot(u - 0.5, v - 0.5)
        if d > 0.5:
            return (0, 0, 0, 0)
        gx, gy = int((u - 0.2) / 0.6 * 5), int((v - 0.15) / 0.7 * 7)
        if 0.2 <= u < 0.8 and 0.15 <= v < 0.85 and (gx, gy) in pixels:
            return (255, 255, 255, 255)
        c = mix((0x4A, 0x8C, 0xE8), (0x10, 0x40, 0xA0), d * 2)
        return c + (255,)
    return icon_image(side, draw)


def logo(path, w, h):
    """A blue band with board traces and the name, as a 24-bit BMP."""
    big, bw, bh = text_mask('Tallyquest', 4)
    small_text = 'Tallyquest'
    img = [[mix((0x1F, 0x4E, 0xA8), (0x0B, 0x24, 0x5E), y / (h - 1)) for x in range(w)] for y in range(h)]
    trace = (0x6A, 0x9C, 0xE8)
    for i in range(4):
        y = int(h * (0.2 + 0.2 * i))
        x1 = int(w * (0.15 + 0.1 * i))
        x2 = int(w * (0.22 + 0.1 * i))
        y2 = y + int(h * 0.1)
        for x in range(0, x1):
            for t in range(2):
                if 0 <= y + t < h:
                    img[y + t][x] = trace
        for k in range(x2 - x1):
            yy = y + (y2 - y) * k // max(1, x2 - x1)
            for t in range(2):
                if 0 <= yy + t < h:
                    img[yy + t][x1 + k] = trace
        for dy in range(-4, 5):
            for dx in range(-4, 5):
                if dx * dx + dy * dy <= 16 and 0 <= y2 + dy < h and 0 <= x2 + dx < w:
                    img[y2 + dy][x2 + dx] = trace
    ox, oy = w - bw - 12, (h - bh) // 2 - 10
    for (x, y) in big:
        img[oy + y][ox + x] = (255, 255, 255)
    line_y = oy + bh + 10
    for x in range(ox, w - 12):
        for t in range(3):
            img[line_y + t][x] = (0xC8, 0xDA, 0xF8)
    stride = (w * 3 + 3) & ~3
    data = b''
    for row in reversed(img):
        line = b''.join(bytes((b, g, r)) for (r, g, b) in row)
        data += line + b'\0' * (stride - len(line))
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    bih = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + bih + data)


if __name__ == '__main__':
    ico(os.path.join(HERE, 'tallyquest.ico'), [(s, program_icon(s)) for s in (16, 32, 48)])
    ico(os.path.join(HERE, 'info.ico'), [(s, info_icon(s)) for s in (16, 32)])
    logo(os.path.join(HERE, 'logo.bmp'), 344, 168)
