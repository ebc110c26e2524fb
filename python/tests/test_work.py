"""Stopping work, and what a process holds across many renders."""

import gc
import os
import signal
import struct
import subprocess
import sys

import numpy as np
import pytest

import brumo
from conftest import SOURCE, example

SIZE = {"width": 96, "height": 72, "threads": 2}


def test_a_render_stops_on_ctrl_c_or_when_progress_says_so_and_the_next_one_is_whole():
    scene = brumo.Scene.load(example("campfire.json"))
    whole = scene.render(**SIZE)
    calls = []

    def stop(done, total):
        calls.append((done, total))
        return False

    with pytest.raises(brumo.Cancelled):
        scene.render(**SIZE, progress=stop)
    assert calls

    def interrupt(done, total):
        os.kill(os.getpid(), signal.SIGINT)

    with pytest.raises(KeyboardInterrupt):
        scene.render(**SIZE, progress=interrupt)

    def fail(done, total):
        raise ZeroDivisionError("from the callback")

    with pytest.raises(ZeroDivisionError):
        scene.render(**SIZE, progress=fail)

    def reenter(done, total):
        scene.effects[0]["densityAmount"] = 2

    with pytest.raises(RuntimeError, match="progress callback"):  # rather than waiting forever
        scene.render(**SIZE, progress=reenter)
    # A scene freed inside a callback goes back to the module once the render is over.
    others = [brumo.Scene.load(example("fire.json"))]
    scene.render(**SIZE, progress=lambda done, total: others.clear())
    # Python's own Ctrl-C handling is back, and the scene renders as before.
    assert signal.getsignal(signal.SIGINT) is signal.default_int_handler
    seen = []
    assert np.array_equal(scene.render(**SIZE, progress=lambda *done: seen.append(done)), whole)
    assert seen[-1] == (30, 30)  # 96 x 72 in tiles of 16


def test_many_renders_in_one_process_hold_no_more_memory_than_one():
    scene = brumo.Scene.load(example("blob_smog.json"))

    def work(round):
        scene.effects[0]["densityAmount"] = 1 + round
        scene.render(width=16, height=12, threads=1 + round % 3)
        scene.effects[0].sample(np.zeros((10, 3)))

    work(0)
    held = brumo.memory()
    for round in range(1, 7):
        work(round)
    assert brumo.memory() == held


def test_the_contact_sheet_example_writes_one_png_of_every_picture(tmp_path):
    script = os.path.join(SOURCE, "examples", "python", "contact_sheet.py")
    arguments = ["-o", tmp_path / "sheet.png", "--width", 16, "--height", 12, "--density", 1, 2, 4, "--seed", 1, 2]
    done = subprocess.run([sys.executable, script, *map(str, arguments)], capture_output=True, text=True,
                          env={**os.environ, "PYTHONPATH": os.path.dirname(os.path.dirname(brumo.__file__))})
    assert done.returncode == 0, done.stderr
    header = (tmp_path / "sheet.png").read_bytes()[:24]
    assert header[:8] == b"\x89PNG\r\n\x1a\n"
    assert struct.unpack(">II", header[16:24]) == (3 * 16, 2 * 12)



def test_once_every_scene_is_released_the_module_memory_is_back_to_zero_until_the_next():
    zero = {"objects": 0, "blocks": 0, "bytes": 0}
    gc.collect()
    assert brumo.memory() == zero
    scene = brumo.Scene.load(example("campfire.json"))
    image = scene.render(width=16, height=12)
    assert brumo.memory() != zero
    del scene
    gc.collect()
    assert brumo.memory() == zero
    # The next scene starts the module afresh and renders as the first did.
    assert np.array_equal(brumo.Scene.load(example("campfire.json")).render(width=16, height=12), image)
