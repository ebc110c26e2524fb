#!/usr/bin/python3
"""A parameter sweep written to a contact sheet: the default cloud at a few density amounts
(columns) and seeds (rows), one PNG of all of them.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/contact_sheet.py -o sheet.png
"""

import argparse
import os

import numpy as np

import brumo

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("scene", nargs="?", default=os.path.join(HERE, "..", "clouds.json"))
    parser.add_argument("-o", "--output", default="contact_sheet.png")
    parser.add_argument("--width", type=int, default=160, help="width of one picture")
    parser.add_argument("--height", type=int, default=120, help="height of one picture")
    parser.add_argument("--density", type=float, nargs="+", default=[0.5, 1.0, 2.0, 4.0])
    parser.add_argument("--seed", type=float, nargs="+", default=[1, 2, 3])
    args = parser.parse_args()

    scene = brumo.Scene.load(args.scene)
    effect = scene.effects[0]
    rows = []
    for seed in args.seed:
        effect["seedValue"] = seed
        row = []
        for density in args.density:
            effect["densityAmount"] = density
            row.append(scene.render(width=args.width, height=args.height))
            print(f"seed {seed:g}, density {density:g}")
        rows.append(np.concatenate(row, axis=1))
    brumo.write_png(args.output, np.concatenate(rows, axis=0))
    print(f"Wrote {args.output}")


if __name__ == "__main__":
    main()
