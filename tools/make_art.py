#!/usr/bin/env python3
"""Generate Kestrava's icon and About picture at build time.

    python3 tools/make_art.py OUTDIR    write OUTDIR/kestrava.ico and OUTDIR/about.bmp

kestrava.ico holds, in this order, the three images the windows ask for:
32 x 32 with 16 colours, 16 x 16 with 16 colours and 32 x 32 with 256 colours.
Each is a bottom-up DIB with its AND mask, as the icon loader expects. The
picture is a monitor whose screen shows a colour sweep.

about.bmp is 500 x 150 pixels, 24 bits, uncompressed: the About box's picture
control shows it at its own size, which is the control's 333 x 92 dialog units
at 96 dots per inch. The name is drawn with a small built-in pixel font, so no
font file is needed.

Only the standard library is used and the output is byte-for-byte
deterministic, so nothing binary is committed.
"""

import colorsys
import os
import struct
import sys

# The sixteen colours of the standard VGA palette, in their usual order; an icon
# with 16 colours is drawn with these on every display.
VGA16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def palette256():
    """The 16 VGA colours, a 6 x 6 x 6 colour cube and a ramp of 24 greys."""
    levels = [0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF]
    cube = [(r, g, b) for r in levels for g in levels for b in levels]
    greys = [(8 + 10 * i,) * 3 for i in range(24)]
    colours = VGA16 + cube + greys
    assert len(colours) == 256
    return colours


def nearest(palette, rgb):
    """Index of the palette colour closest to rgb; the first wins a tie."""
    best, best_distance = 0, None
    for index, colour in enumerate(palette):
        distance = sum((a - b) ** 2 for a, b in zip(colour, rgb))
        if best_distance is None or distance < best_distance:
            best, best_distance = index, distance
    return best


def hue(fraction, value=1.0):
    r, g, b = colorsys.hsv_to_rgb(fraction * 5 / 6, 1.0, value)   # red to magenta
    return (round(r * 255), round(g * 255), round(b * 255))


# ---- The icon ----

# Geometry of the monitor per icon size: the bezel, the screen inside it, the neck
# and the foot of the stand, each as (left, top, right, bottom), inclusive.
MONITOR = {
    32: dict(bezel=(1, 3, 30, 23), screen=(4, 6, 27, 20), neck=(13, 24, 18, 26), foot=(7, 27, 24, 29)),
    16: dict(bezel=(0, 1, 15, 11), screen=(2, 3, 13, 9), neck=(6, 12, 9, 13), foot=(3, 14, 12, 15)),
}

TRANSPARENT = None


def monitor_pixels(size):
    """The monitor as rows (top first) of RGB tuples, None where it is transparent."""
    g = MONITOR[size]
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def inside(box, x, y):
        return box[0] <= x <= box[2] and box[1] <= y <= box[3]

    def edge(box, x, y):
        return x in (box[0], box[2]) or y in (box[1], box[3])

    for y in range(size):
        for x in range(size):
            for part in ("foot", "neck"):
                if inside(g[part], x, y):
                    pixels[y][x] = (0, 0, 0) if edge(g[part], x, y) else (0x80, 0x80, 0x80)
            if inside(g["bezel"], x, y):
                pixels[y][x] = (0, 0, 0) if edge(g["bezel"], x, y) else (0xC0, 0xC0, 0xC0)
            s = g["screen"]
            if inside(s, x, y):
                # Hue across, darkening downwards: a calibration sweep.
                fx = (x - s[0]) / max(1, s[2] - s[0])
                fy = (y - s[1]) / max(1, s[3] - s[1])
                pixels[y][x] = hue(fx, 1.0 - 0.5 * fy)
    return pixels


def icon_image(size, bits):
    """One icon image: BITMAPINFOHEADER, palette, XOR bits, AND mask."""
    palette = VGA16 if bits == 4 else palette256()
    pixels = monitor_pixels(size)
    # In 16 colours, smooth shades have no match; pick the hue band's pure colour.
    if bits == 4:
        bands = [9, 11, 10, 14, 12, 13]   # red, yellow, green, cyan, blue, magenta
        s = MONITOR[size]["screen"]
        for y in range(s[1], s[3] + 1):
            for x in range(s[0], s[2] + 1):
                band = (x - s[0]) * len(bands) // (s[2] - s[0] + 1)
                pixels[y][x] = VGA16[bands[band]]

    xor_stride = ((size * bits + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for row in reversed(pixels):   # bottom-up
        indices = [0 if p is TRANSPARENT else nearest(palette, p) for p in row]
        if bits == 4:
            packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            packed = bytes(indices)
        xor_rows.append(packed.ljust(xor_stride, b"\0"))
        mask = 0
        for x, p in enumerate(row):
            if p is TRANSPARENT:
                mask |= 1 << (size - 1 - x)
        and_rows.append(mask.to_bytes(size // 8, "big").ljust(and_stride, b"\0"))
    xor = b"".join(xor_rows)
    and_mask = b"".join(and_rows)

    # The height counts the XOR and the AND bitmaps together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(and_mask), 0, 0,
                         0, 0)
    rgbquads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + rgbquads + xor + and_mask


def make_icon():
    images = [(32, 4), (16, 4), (32, 8)]
    data = [icon_image(size, bits) for size, bits in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), image in zip(images, data):
        colours = 1 << bits if bits < 8 else 0   # a byte: 256 is written as 0
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    return out + b"".join(data)


# ---- The About picture ----

# A 5 x 7 pixel font with just the letters of the name.
GLYPHS = {
    "K": ["X...X", "X..X.", "X.X..", "XX...", "X.X..", "X..X.", "X...X"],
    "E": ["XXXXX", "X....", "X....", "XXXX.", "X....", "X....", "XXXXX"],
    "S": [".XXXX", "X....", "X....", ".XXX.", "....X", "....X", "XXXX."],
    "T": ["XXXXX", "..X..", "..X..", "..X..", "..X..", "..X..", "..X.."],
    "R": ["XXXX.", "X...X", "X...X", "XXXX.", "X.X..", "X..X.", "X...X"],
    "A": [".XXX.", "X...X", "X...X", "XXXXX", "X...X", "X...X", "X...X"],
    "V": ["X...X", "X...X", "X...X", "X...X", "X...X", ".X.X.", "..X.."],
}

WIDTH, HEIGHT = 500, 150


def draw_text(pixels, text, left, top, scale, colour):
    for n, letter in enumerate(text):
        glyph = GLYPHS[letter]
        x0 = left + n * 6 * scale
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell != "X":
                    continue
                for y in range(top + gy * scale, top + (gy + 1) * scale):
                    for x in range(x0 + gx * scale, x0 + (gx + 1) * scale):
                        pixels[y][x] = colour


def make_about():
    def mix(a, b, t):
        return tuple(round(p + (q - p) * t) for p, q in zip(a, b))

    # A night-blue backdrop, lighter at the top.
    pixels = [[mix((0x22, 0x34, 0x56), (0x0B, 0x12, 0x22), y / (HEIGHT - 1))] * WIDTH for y in range(HEIGHT)]
    pixels = [list(row) for row in pixels]

    name, scale = "KESTRAVA", 8
    text_width = (len(name) * 6 - 1) * scale
    left = (WIDTH - text_width) // 2
    draw_text(pixels, name, left + 3, 27, scale, (0x05, 0x08, 0x10))   # shadow
    draw_text(pixels, name, left, 24, scale, (0xF4, 0xF6, 0xFA))

    # Under the name, a hue sweep and a grey ramp, as on a calibration target.
    for x in range(left, left + text_width):
        t = (x - left) / (text_width - 1)
        for y in range(98, 110):
            pixels[y][x] = hue(t)
        grey = round(255 * t)
        for y in range(114, 122):
            pixels[y][x] = (grey, grey, grey)

    rows = []
    for row in reversed(pixels):   # bottom-up
        rows.append(b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row).ljust(((WIDTH * 3 + 3) // 4) * 4, b"\0"))
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(bits), 3780, 3780, 0, 0)   # 96 dpi
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    return file_header + info + bits


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    write(os.path.join(argv[1], "kestrava.ico"), make_icon())
    write(os.path.join(argv[1], "about.bmp"), make_about())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
