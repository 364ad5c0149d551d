#!/usr/bin/env python3
"""Draws the program icon and writes it in the forms the build needs.

The picture is a pavilion whose hall is a strip of film, cream on a warm rounded square:
the catalogue's name is a pavilion, and what it lists are films and series.

Outputs, all in OUT_DIR:
  icon_image.bin  the RT_ICON resource: BITMAPINFOHEADER (double height), 32 bpp BGRA rows, AND mask
  icon_group.bin  the RT_GROUP_ICON resource: GRPICONDIR with one entry naming the image by ICON_ID
  app.ico         the same image as an ordinary .ico file

The resource script takes the two .bin files as raw data, so that the image gets the number
chosen here instead of the one windres would assign. Only the standard library is used and
the drawing is pure arithmetic, so the output is the same byte for byte on every run.
"""

import argparse
import pathlib
import struct

SIZE = 32
SUPERSAMPLE = 8  # samples per pixel along each axis, for smooth edges

# Colours as (red, green, blue).
AMBER = (0xF4, 0xA9, 0x3A)
VERMILION = (0xC9, 0x3F, 0x1F)
RIM = (0x8E, 0x2A, 0x12)
CREAM = (0xFF, 0xF3, 0xDA)
SCREEN = (0x5A, 0x1E, 0x10)


def rounded_square(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            if x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                inside = not inside
    return inside


def quadratic(p0, p1, p2, steps=24):
    out = []
    for i in range(steps + 1):
        t = i / steps
        a, b, c = (1 - t) ** 2, 2 * (1 - t) * t, t * t
        out.append((a * p0[0] + b * p1[0] + c * p2[0], a * p0[1] + b * p1[1] + c * p2[1]))
    return out


def roof_outline():
    """The roof: a ridge on top, slopes that sweep down and curl up at the eave tips."""
    left_slope = quadratic((12.0, 6.0), (9.0, 11.0), (4.5, 11.2))
    left_tip = quadratic((4.5, 11.2), (3.0, 11.2), (2.2, 8.6))
    left_eave = quadratic((2.2, 8.6), (4.0, 14.4), (9.5, 14.0))
    left = left_slope + left_tip + left_eave
    return left + [(32 - x, y) for x, y in reversed(left)]


ROOF = roof_outline()
RIDGE = (11.0, 4.6, 21.0, 6.4)  # left, top, right, bottom
FINIAL = (15.0, 2.8, 17.0, 5.0)


def in_box(x, y, box):
    return box[0] <= x < box[2] and box[1] <= y < box[3]


# The hall is an upright strip of film: a cream frame around a dark picture, with sprocket
# holes down both sides.
HALL = (8.0, 15.5, 24.0, 28.0)
PICTURE = (12.0, 17.5, 20.0, 26.0)
HOLES = [(x, y, x + 2.0, y + 2.0) for x in (9.0, 21.0) for y in (17.0, 20.75, 24.5)]


def layers():
    """Yields (colour function, coverage predicate) from back to front."""

    def background(_x, y):
        t = min(max((y - 1.0) / 30.0, 0.0), 1.0)
        return tuple(round(a + (b - a) * t) for a, b in zip(AMBER, VERMILION))

    yield (lambda _x, _y: RIM), (lambda x, y: rounded_square(x, y, 1, 1, 31, 31, 7))
    yield background, (lambda x, y: rounded_square(x, y, 2, 2, 30, 30, 6))
    yield (lambda _x, _y: CREAM), (
        lambda x, y: in_polygon(x, y, ROOF) or in_box(x, y, RIDGE) or in_box(x, y, FINIAL))
    yield (lambda _x, _y: CREAM), (
        lambda x, y: in_box(x, y, HALL) and not any(in_box(x, y, h) for h in HOLES)
        and not in_box(x, y, PICTURE))
    yield (lambda _x, _y: SCREEN), (lambda x, y: in_box(x, y, PICTURE))


def render():
    """Returns rows top to bottom of (r, g, b, a) with straight (not premultiplied) alpha."""
    offsets = [(k + 0.5) / SUPERSAMPLE for k in range(SUPERSAMPLE)]
    samples = SUPERSAMPLE * SUPERSAMPLE
    stack = list(layers())
    rows = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            # Premultiplied accumulation of each sample composited front over back.
            acc = [0.0, 0.0, 0.0, 0.0]
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    colour = None
                    for paint, covers in stack:
                        if covers(x, y):
                            colour = paint(x, y)
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1.0
            alpha = acc[3] / samples
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha * 255),))
        rows.append(row)
    return rows


def dib(rows):
    """BITMAPINFOHEADER + XOR (BGRA, bottom-up) + AND mask (1 = transparent, bottom-up)."""
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((SIZE + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out_dir", type=pathlib.Path)
    parser.add_argument("--icon-id", type=int, required=True,
                        help="resource number of the RT_ICON image")
    args = parser.parse_args()

    image = dib(render())
    # GRPICONDIR and ICONDIR share the directory header; their entries differ in the last
    # field: a resource number (WORD) in the group, a file offset (DWORD) in the .ico.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHI", SIZE, SIZE, 0, 0, 1, 32, len(image))
    group = directory + entry + struct.pack("<H", args.icon_id)
    ico = directory + entry + struct.pack("<I", len(directory) + len(entry) + 4) + image

    args.out_dir.mkdir(parents=True, exist_ok=True)
    (args.out_dir / "icon_image.bin").write_bytes(image)
    (args.out_dir / "icon_group.bin").write_bytes(group)
    (args.out_dir / "app.ico").write_bytes(ico)


if __name__ == "__main__":
    main()
