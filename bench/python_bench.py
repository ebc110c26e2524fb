#!/usr/bin/python3
"""What the Python package costs over the tool, and what two Dask workers give over one.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--runs 3]

1. The same frame rendered by `brumo render` (the process: load, build, render, write the EXR)
   and from Python (scene.render alone, and load + render + write_exr in a process of its own),
   median of --runs runs each.
2. Frames per second of render_frames over a LocalCluster of one and of two worker processes
   (one thread each, one render thread per frame), after a warm-up frame on every worker.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import brumo

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def median_seconds(work, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def overhead(scene_path, width, height, threads, runs, folder):
    cli = os.path.join(os.path.dirname(brumo.module_path()), "..", "bin", "brumo")
    exr = os.path.join(folder, "frame.exr")
    stats = []

    def run_tool():
        done = subprocess.run([cli, "render", scene_path, "-q", "--stats", "--width", str(width),
                               "--height", str(height), "--threads", str(threads), "-o", exr],
                              check=True, capture_output=True, text=True)
        stats.append(float(done.stdout.split(" s on ")[0].split()[-1]))

    tool = median_seconds(run_tool, runs)
    script = (f"import brumo; s = brumo.Scene.load({scene_path!r}); "
              f"brumo.write_exr({exr!r}, s.render(width={width}, height={height}, threads={threads}))")
    process = median_seconds(lambda: subprocess.run([sys.executable, "-c", script], check=True), runs)
    fresh = median_seconds(lambda: brumo.Scene.load(scene_path).render(width=width, height=height, threads=threads), runs)
    scene = brumo.Scene.load(scene_path)
    scene.render(width=8, height=8)
    render = median_seconds(lambda: scene.render(width=width, height=height, threads=threads), runs)
    print(f"{os.path.basename(scene_path)} {width} x {height}, {threads} threads, median of {runs}:")
    print(f"  brumo render (whole process)       {tool:7.3f} s")
    print(f"  brumo render, the render (--stats) {statistics.median(stats):7.3f} s")
    print(f"  python process (import+load+write) {process:7.3f} s  ({(process / tool - 1) * 100:+.1f} %)")
    rendered = statistics.median(stats)
    print(f"  Scene.load + first render          {fresh:7.3f} s  ({(fresh / rendered - 1) * 100:+.1f} % over the tool's render)")
    print(f"  scene.render again (caches kept)   {render:7.3f} s  ({(render / rendered - 1) * 100:+.1f} %)")


def dask_rate(scene_path, frames, width, height):
    from distributed import Client, LocalCluster
    scene = brumo.Scene.load(scene_path)
    rates = {}
    for workers in (1, 2):
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                          dashboard_address=":0") as cluster, Client(cluster) as client:
            brumo.render_frames(scene, frames[:workers], client=client, width=8, height=8)
            start = time.perf_counter()
            brumo.render_frames(scene, frames, client=client, width=width, height=height)
            rates[workers] = len(frames) / (time.perf_counter() - start)
        print(f"  {workers} worker{'s' if workers > 1 else ''}: {rates[workers]:.2f} frames/s")
    print(f"  two against one: {rates[2] / rates[1]:.2f}x")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--scene", default=os.path.join(ROOT, "examples", "default.json"))
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--frames", type=int, default=8)
    args = parser.parse_args()
    print(f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores")
    with tempfile.TemporaryDirectory() as folder:
        overhead(args.scene, args.width, args.height, args.threads, args.runs, folder)
    print(f"render_frames of animated_fire.json, {args.frames} frames of 320 x 240:")
    dask_rate(os.path.join(ROOT, "examples", "animated_fire.json"), list(range(1, args.frames + 1)), 320, 240)
    print(f"load average {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
