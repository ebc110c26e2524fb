#!/usr/bin/env python3
"""Writes blob.obj: a closed, low-poly rabbit-like blob (a body with a head and two ears).

The surface is a subdivided icosahedron pushed out along each vertex's direction by a sum of
bumps, so it stays star-shaped about the origin: closed, without self-intersections, and wound
counter-clockwise seen from outside. Run it again to regenerate the file.
"""
import math
import pathlib

LEVELS = 3  # 20 * 4**3 = 1280 triangles

# (direction, height, width): bumps added to the unit radius.
BUMPS = [
    ((0.55, 0.0, 0.75), 0.45, 0.10),    # head
    ((0.3, 0.4, 0.85), 0.95, 0.02),     # ears
    ((0.3, -0.4, 0.85), 0.95, 0.02),
    ((-0.9, 0.0, 0.2), 0.18, 0.05),     # tail
    ((0.0, 0.0, -1.0), -0.25, 0.30),    # flat underside
]


def normalised(v):
    length = math.sqrt(sum(c * c for c in v))
    return tuple(c / length for c in v)


def icosahedron():
    t = (1.0 + math.sqrt(5.0)) / 2.0
    points = [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0),
              (0, -1, t), (0, 1, t), (0, -1, -t), (0, 1, -t),
              (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11),
             (1, 5, 9), (5, 11, 4), (11, 10, 2), (10, 7, 6), (7, 1, 8),
             (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8), (3, 8, 9),
             (4, 9, 5), (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    return [normalised(p) for p in points], faces


def subdivide(points, faces):
    middles = {}

    def middle(a, b):
        key = (min(a, b), max(a, b))
        if key not in middles:
            middles[key] = len(points)
            points.append(normalised(tuple((x + y) / 2 for x, y in zip(points[a], points[b]))))
        return middles[key]

    result = []
    for a, b, c in faces:
        ab, bc, ca = middle(a, b), middle(b, c), middle(c, a)
        result += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
    return points, result


def radius(d):
    r = 1.0
    for direction, height, width in BUMPS:
        u = normalised(direction)
        distance_squared = sum((x - y) ** 2 for x, y in zip(d, u))
        r += height * math.exp(-distance_squared / width)
    return r


def main():
    points, faces = icosahedron()
    for _ in range(LEVELS):
        points, faces = subdivide(points, faces)
    out = pathlib.Path(__file__).with_name("blob.obj")
    with out.open("w") as f:
        f.write("# Rabbit-like blob, written by make_blob.py\n")
        f.write(f"# {len(points)} vertices, {len(faces)} triangles\n")
        f.write("o blob\n")
        for p in points:
            r = radius(p)
            f.write("v {:.5f} {:.5f} {:.5f}\n".format(*(c * r for c in p)))
        for a, b, c in faces:
            f.write(f"f {a + 1} {b + 1} {c + 1}\n")


if __name__ == "__main__":
    main()
