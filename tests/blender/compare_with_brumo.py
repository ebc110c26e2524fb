"""Blender as a client: headless Blender imports brumo scenes through tools/blender, renders them
with Cycles, and each picture must match `brumo render --view standard` of the same scene.

    compare_with_brumo.py --brumo PATH --importer PATH [--blender PATH]

Exits 77 (skipped) with a message when Blender is not installed.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

# Mean absolute difference per channel (8-bit values over 255) that each scene must stay under.
# Measured at 80 × 60, 64 voxels, 8 samples: 0.009 on the default cloud, 0.004 on the campfire,
# 0.007 on the animated fire; what is left is the grid's trilinear sampling against the
# march's exact samples, and Cycles' own step positions.
BOUND = 0.03

SCENES = [
    # file, render arguments: the default cloud (lit), two effects, an animated fire mid-way
    ("default.json", []),
    ("campfire.json", []),
    ("animated_fire.json", ["--frame", "12"]),
]
SIZE = ["--width", "80", "--height", "60"]


def read_png(path):
    """8-bit RGB or RGBA PNG into rows of (r, g, b) in [0, 1]."""
    data = open(path, "rb").read()
    position, compressed, width, height, channels = 8, b"", 0, 0, 0
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        chunk = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", chunk[:10])
            if depth != 8 or colour not in (2, 6):
                raise ValueError("%s: expected 8-bit RGB or RGBA" % path)
            channels = 4 if colour == 6 else 3
        elif kind == b"IDAT":
            compressed += chunk
    raw, stride, previous, rows, at = zlib.decompress(compressed), width * channels, None, [], 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        above = previous or bytearray(stride)
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            corner = above[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + above[i]) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + above[i]) // 2) & 255
            elif kind == 4:
                guess = left + above[i] - corner
                pa, pb, pc = abs(guess - left), abs(guess - above[i]), abs(guess - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else above[i] if pb <= pc else corner)) & 255
        rows.append([tuple(line[x * channels + c] / 255.0 for c in range(3)) for x in range(width)])
        previous = line
    return rows


def mean_difference(a, b):
    if len(a) != len(b) or len(a[0]) != len(b[0]):
        raise ValueError("the pictures differ in size")
    count = len(a) * len(a[0])
    return [sum(abs(p[c] - q[c]) for ra, rb in zip(a, b) for p, q in zip(ra, rb)) / count for c in range(3)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--brumo", required=True)
    parser.add_argument("--importer", required=True)
    parser.add_argument("--blender", default=shutil.which("blender") or "/usr/bin/blender")
    parser.add_argument("--examples", required=True)
    args = parser.parse_args()
    if not (args.blender and os.path.isfile(args.blender)):
        print("SKIPPED: Blender is not installed (scripts/install-deps.sh blender installs it)")
        return 77

    failures = []
    with tempfile.TemporaryDirectory(prefix="brumo-blender-") as folder:
        for scene, extra in SCENES:
            path = os.path.join(args.examples, scene)
            name = os.path.splitext(scene)[0]
            theirs, ours = os.path.join(folder, name + "-blender.png"), os.path.join(folder, name + ".png")
            run = subprocess.run([args.blender, "-b", "--factory-startup", "--python", args.importer, "--",
                                  path, "-o", theirs, "--brumo", args.brumo, "--resolution", "64",
                                  "--samples", "8"] + SIZE + extra, capture_output=True, text=True)
            if run.returncode != 0 or not os.path.isfile(theirs):
                failures.append("%s: Blender failed (%d)\n%s%s" % (scene, run.returncode, run.stdout[-2000:], run.stderr[-2000:]))
                continue
            subprocess.run([args.brumo, "render", path, "-q", "--view", "standard", "-o", ours] + SIZE + extra,
                           check=True)
            difference = mean_difference(read_png(theirs), read_png(ours))
            print("%-20s mean absolute difference per channel: %.4f %.4f %.4f" % (scene, *difference))
            if max(difference) > BOUND:
                failures.append("%s: differs from brumo render by more than %.2f" % (scene, BOUND))
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
