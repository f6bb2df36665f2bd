#!/usr/bin/env python3
"""Draws the dialog's eleven button images as 24-bit BMP files.

Both backends use these files: the Win32 backend links them as bitmap resources (windres,
grid/win32/ParameterDlg.rc), the Qt backend embeds them as Qt resources. Pixels of the key
colour (magenta) are transparent: each backend replaces them with the button's background when
it loads the image. Edges are anti-aliased against the usual button face (240, 240, 240), so
they blend on any light background.

Run it after changing a picture: python3 grid/res/draw-bitmaps.py (writes into grid/res/).
"""
import math
import os
import struct

KEY = (255, 0, 255)
FACE = (240, 240, 240)
SUB = 4  # sub-samples per pixel and axis


# ---- shapes: each is (inside(x, y) -> bool, colour(x, y) -> (r, g, b))

def solid(c):
    return lambda x, y: c


def vgrad(top, bottom, y0, y1):
    def colour(x, y):
        t = min(1.0, max(0.0, (y - y0) / float(y1 - y0)))
        return tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))
    return colour


def polygon(points):
    def inside(x, y):
        n = len(points)
        c = False
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        return r - width / 2.0 <= d <= r + width / 2.0
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def roundrect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def frame(shape_outer, shape_inner):
    return lambda x, y: shape_outer(x, y) and not shape_inner(x, y)


def stroke(points, width, closed=False):
    pts = list(points) + ([points[0]] if closed else [])

    def inside(x, y):
        for (ax, ay), (bx, by) in zip(pts, pts[1:]):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
            px, py = ax + t * dx, ay + t * dy
            if (x - px) ** 2 + (y - py) ** 2 <= (width / 2.0) ** 2:
                return True
        return False
    return inside


def star_points(cx, cy, outer, inner):
    pts = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


# ---- rendering

def render(width, height, shapes):
    """Rows of pixels; the background is the key colour, blended edges against FACE."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            covered = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = px + (sx + 0.5) / SUB
                    y = py + (sy + 0.5) / SUB
                    colour = None
                    for inside, paint in shapes:
                        if inside(x, y):
                            colour = paint(x, y)
                    if colour is None:
                        colour = FACE
                    else:
                        covered += 1
                    for k in range(3):
                        acc[k] += colour[k]
            if covered == 0:
                row.append(KEY)
            else:
                row.append(tuple(int(round(a / (SUB * SUB))) for a in acc))
        rows.append(row)
    return rows


def write_bmp(path, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


# ---- the pictures

DARK = (60, 60, 60)


def folder():
    back = vgrad((232, 182, 62), (200, 145, 35), 5, 27)
    front = vgrad((255, 222, 120), (242, 184, 56), 13, 28)
    edge = solid((150, 102, 18))
    flap = [(7, 14), (31, 14), (27, 28), (2, 28)]
    return [
        (roundrect(2, 5, 14, 11, 2), back),
        (roundrect(2, 8, 28, 28, 2), back),
        (frame(roundrect(2, 8, 28, 28, 2), roundrect(3, 9, 27, 27, 1.5)), edge),
        (rect(6, 10, 26, 22), solid((255, 255, 255))),
        (rect(9, 13, 23, 14), solid((190, 200, 215))),
        (rect(9, 16, 21, 17), solid((190, 200, 215))),
        (polygon(flap), front),
        (stroke(flap, 1.0, closed=True), edge),
    ]


def floppy():
    body = vgrad((88, 140, 220), (38, 84, 170), 4, 28)
    navy = solid((26, 50, 110))
    return [
        (roundrect(4, 4, 28, 28, 2.5), body),
        (frame(roundrect(4, 4, 28, 28, 2.5), roundrect(5, 5, 27, 27, 1.5)), navy),
        (rect(10, 5, 22, 13), vgrad((232, 236, 242), (188, 194, 206), 5, 13)),
        (rect(17, 6, 20, 12), solid((70, 80, 100))),
        (roundrect(8, 16, 24, 28, 1.5), solid((250, 250, 250))),
        (rect(10, 19, 22, 20), solid((150, 170, 210))),
        (rect(10, 22, 22, 23), solid((150, 170, 210))),
        (rect(10, 25, 19, 26), solid((150, 170, 210))),
    ]


def star(filled):
    pts = star_points(16, 17, 14, 5.8)
    if filled:
        return [
            (polygon(pts), vgrad((255, 226, 84), (244, 158, 18), 3, 29)),
            (stroke(pts, 1.4, closed=True), solid((176, 106, 0))),
        ]
    return [
        (polygon(pts), solid((255, 251, 232))),
        (stroke(pts, 1.8, closed=True), solid((200, 140, 20))),
    ]


def letter_a_big():
    return [
        (stroke([(3, 28), (11, 5), (19, 28)], 3.2), solid(DARK)),
        (stroke([(6.5, 20), (15.5, 20)], 2.6), solid(DARK)),
        (polygon([(21, 14), (31, 14), (26, 6)]), solid((46, 150, 60))),
        (rect(24, 13, 28, 21), solid((46, 150, 60))),
    ]


def letter_a_small():
    return [
        (ring(10, 22.5, 4.6, 2.4), solid(DARK)),
        (stroke([(15, 16), (15, 28)], 2.4), solid(DARK)),
        (polygon([(21, 19), (31, 19), (26, 27)]), solid((200, 50, 40))),
        (rect(24, 11, 28, 20), solid((200, 50, 40))),
    ]


def apply_mark():
    green = solid((40, 150, 60))
    return [
        (roundrect(4, 4, 28, 28, 4), solid((252, 252, 252))),
        (frame(roundrect(4, 4, 28, 28, 4), roundrect(5.5, 5.5, 26.5, 26.5, 3)), solid((120, 150, 125))),
        (stroke([(9, 16.5), (14, 21.5), (23.5, 10.5)], 3.2), green),
    ]


def ok_mark():
    return [
        (circle(16, 16, 13.5), vgrad((104, 200, 104), (34, 132, 50), 3, 29)),
        (ring(16, 16, 13.2, 1.0), solid((24, 100, 36))),
        (stroke([(9, 16.5), (14, 21.5), (23, 11)], 3.6), solid((255, 255, 255))),
    ]


def cancel_mark():
    return [
        (circle(16, 15.5, 13.5), vgrad((240, 104, 92), (186, 36, 30), 2, 29)),
        (ring(16, 15.5, 13.2, 1.0), solid((130, 20, 16))),
        (stroke([(11, 10.5), (21, 20.5)], 3.6), solid((255, 255, 255))),
        (stroke([(21, 10.5), (11, 20.5)], 3.6), solid((255, 255, 255))),
    ]


def box(plus):
    """11 x 11, drawn pixel by pixel: a grey frame, white inside, a black plus or minus."""
    rows = [[(128, 128, 128) if x in (0, 10) or y in (0, 10) else (255, 255, 255) for x in range(11)]
            for y in range(11)]
    for x in range(3, 8):
        rows[5][x] = (0, 0, 0)
    if plus:
        for y in range(3, 8):
            rows[y][5] = (0, 0, 0)
    return rows


PICTURES = [
    ("open.bmp", 32, 32, folder),
    ("save.bmp", 32, 32, floppy),
    ("star.bmp", 32, 32, lambda: star(False)),
    ("star_pressed2.bmp", 32, 32, lambda: star(True)),
    ("incr.bmp", 32, 32, letter_a_big),
    ("decr.bmp", 32, 32, letter_a_small),
    ("ok.bmp", 32, 32, apply_mark),
    ("ok2.bmp", 32, 32, ok_mark),
    ("cancel2.bmp", 32, 31, cancel_mark),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, w, h, draw in PICTURES:
        write_bmp(os.path.join(here, name), render(w, h, draw()))
    write_bmp(os.path.join(here, "expand.bmp"), box(True))
    write_bmp(os.path.join(here, "collapse.bmp"), box(False))


if __name__ == "__main__":
    main()
