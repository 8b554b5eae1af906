#!/usr/bin/env python3
"""Draws the application icon and the open-folder picture of the folder buttons.

Run by hand when the pictures change; the .ico files it writes are kept in the repository so that
the build needs nothing but windres. Shapes are filled on a 4x4 supersampled grid, which gives
anti-aliased edges at every size.
"""
import math
import struct
import sys
from pathlib import Path

SS = 4  # samples per pixel along each axis


def inside_polygon(x, y, pts):
    hit = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def render(size, layers):
    """layers: list of (test(x, y) -> bool in 0..1 units, (r, g, b, a) or colour(x, y))."""
    px = []
    for py in range(size):
        row = []
        for pxl in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SS):
                for sx in range(SS):
                    x = (pxl + (sx + 0.5) / SS) / size
                    y = (py + (sy + 0.5) / SS) / size
                    c = [0.0, 0.0, 0.0, 0.0]
                    for test, colour in layers:
                        if test(x, y):
                            r, g, b, a = colour(x, y) if callable(colour) else colour
                            a /= 255.0
                            c = [r * a + c[0] * (1 - a), g * a + c[1] * (1 - a),
                                 b * a + c[2] * (1 - a), a + c[3] * (1 - a)]
                    for k in range(4):
                        acc[k] += c[k]
            n = SS * SS
            a = acc[3] / n
            if a > 0:
                row.append((acc[0] / n / a, acc[1] / n / a, acc[2] / n / a, a))
            else:
                row.append((0, 0, 0, 0))
        px.append(row)
    return px


def dib(size, px):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(px):
        for r, g, b, a in row:
            colour += bytes((round(b), round(g), round(r), round(a * 255)))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for i, (_, _, _, a) in enumerate(row):
            if a * 255 < 128:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + colour + mask


def write_ico(path, images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, px in images:
        blob = dib(size, px)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    Path(path).write_bytes(out + b''.join(blobs))


def rounded_rect(x0, y0, x1, y1, r):
    def test(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return test


def polygon(pts):
    return lambda x, y: inside_polygon(x, y, pts)


def folder_layers():
    edge = (138, 98, 18, 255)
    back = [(0.06, 0.16), (0.40, 0.16), (0.48, 0.26), (0.84, 0.26), (0.84, 0.86), (0.06, 0.86)]
    back_in = [(0.12, 0.22), (0.37, 0.22), (0.45, 0.32), (0.78, 0.32), (0.78, 0.84), (0.12, 0.84)]
    paper = [(0.18, 0.36), (0.70, 0.36), (0.70, 0.70), (0.18, 0.70)]
    front = [(0.22, 0.46), (0.98, 0.46), (0.82, 0.90), (0.03, 0.90)]
    front_in = [(0.27, 0.52), (0.90, 0.52), (0.78, 0.84), (0.11, 0.84)]
    return [
        (polygon(back), edge),
        (polygon(back_in), (222, 178, 62, 255)),
        (polygon(paper), (250, 250, 246, 255)),
        (polygon(front), edge),
        (polygon(front_in), lambda x, y: (255, int(214 - 40 * y), int(96 - 30 * y), 255)),
    ]


def app_layers():
    def ring(x, y):
        dx, dy = x - 0.5, y - 0.5
        d = math.hypot(dx, dy)
        angle = math.degrees(math.atan2(dy, dx)) % 360
        return 0.20 <= d <= 0.31 and not (300 <= angle <= 350)

    # Arrow head at the open end of the ring, pointing along it (clockwise on screen).
    a = math.radians(300)
    cx, cy = 0.5 + 0.255 * math.cos(a), 0.5 + 0.255 * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)  # tangent, clockwise
    nx, ny = math.cos(a), math.sin(a)   # outward normal
    head = [(cx + nx * 0.17, cy + ny * 0.17), (cx - nx * 0.17, cy - ny * 0.17),
            (cx - tx * 0.17, cy - ty * 0.17)]
    tail = [(0.50, 0.55), (0.80, 0.85), (0.86, 0.79), (0.56, 0.49)]
    return [
        (rounded_rect(0.03, 0.03, 0.97, 0.97, 0.18),
         lambda x, y: (int(40 - 20 * y), int(130 - 60 * y), int(225 - 60 * y), 255)),
        (ring, (255, 255, 255, 255)),
        (polygon(head), (255, 255, 255, 255)),
        (polygon(tail), (255, 206, 84, 255)),
    ]


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    write_ico(out / 'folder.ico', [(s, render(s, folder_layers())) for s in (16, 20, 24, 32)])
    write_ico(out / 'quorvel.ico', [(s, render(s, app_layers())) for s in (16, 24, 32, 48, 64)])


if __name__ == '__main__':
    main()
