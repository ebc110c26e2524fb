#!/usr/bin/python3
"""Time from a change in `brumo studio` to its first coarse preview (a quarter of the pixels)
and to its full preview, for the default scene.

    /usr/bin/python3 bench/studio_latency.py [build/bin/brumo] [--changes N] [--threads T]

Each change toggles a density check box (the shape changes, so the shadow grid is built again)
or moves the density slider (the same grid serves), then waits for the full image. Prints the
median and the extremes of each figure as measured by the studio (from the request's arrival)
and the median seen by the client (from before the request to the image being available).
"""
import argparse
import http.client
import json
import os
import re
import signal
import statistics
import subprocess
import tempfile
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("brumo", nargs="?", default="build/bin/brumo")
    parser.add_argument("--changes", type=int, default=10)
    parser.add_argument("--threads", type=int, default=2)
    options = parser.parse_args()
    options.brumo = os.path.abspath(options.brumo)

    folder = tempfile.mkdtemp(prefix="brumo-studio-bench-")
    process = subprocess.Popen([options.brumo, "studio", "--port", "0", "--threads", str(options.threads), "-q"],
                               cwd=folder, stdout=subprocess.PIPE, text=True)
    port = int(re.search(r":(\d+)/", process.stdout.readline()).group(1))

    def call(method, path, body=None):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        headers = {"Host": "127.0.0.1:%d" % port, "Content-Type": "application/json"}
        connection.request(method, path, None if body is None else json.dumps(body), headers)
        data = connection.getresponse().read()
        connection.close()
        return json.loads(data)

    def wait_for(revision, key):
        while True:
            status = call("GET", "/api/preview")
            if status[key]["revision"] >= revision:
                return status
            time.sleep(0.002)

    try:
        wait_for(0, "full")
        rows = {"shape": [], "density": []}
        for i in range(options.changes):
            kind = "shape" if i % 2 == 0 else "density"
            action = ({"action": "toggle", "id": "DNZC", "value": i % 4 == 0} if kind == "shape"
                      else {"action": "setField", "name": "densityAmount", "value": 5.0 + i % 3})
            start = time.perf_counter()
            revision = call("POST", "/api/action", action)["revision"]
            coarse = wait_for(revision, "coarse")
            seen_coarse = time.perf_counter() - start
            full = wait_for(revision, "full")
            seen_full = time.perf_counter() - start
            rows[kind].append((coarse["coarse"], full["full"], seen_coarse * 1000, seen_full * 1000))
    finally:
        process.send_signal(signal.SIGINT)
        process.wait(timeout=60)

    print("| change (default scene, %d threads) | to coarse, ms | to full, ms | components made, ms | "
          "caches ready, ms | seen by the page: coarse / full, ms |" % options.threads)
    print("| --- | --- | --- | --- | --- | --- |")
    for kind, label in (("shape", "a shape check box (new shadow grid)"), ("density", "the density slider")):
        runs = rows[kind]
        if not runs:
            continue
        def spread(values):
            return "%.0f (%.0f–%.0f)" % (statistics.median(values), min(values), max(values))
        print("| %s | %s | %s | %s | %s | %.0f / %.0f |" % (
            label, spread([c["milliseconds"] for c, _, _, _ in runs]), spread([f["milliseconds"] for _, f, _, _ in runs]),
            spread([c["builtMilliseconds"] for c, _, _, _ in runs]), spread([c["preparedMilliseconds"] for c, _, _, _ in runs]),
            statistics.median([s for _, _, s, _ in runs]), statistics.median([s for _, _, _, s in runs])))
    os.rmdir(folder) if not os.listdir(folder) else None


if __name__ == "__main__":
    main()
