import gc
import os
import subprocess

import pytest

import brumo

SOURCE = os.environ.get("BRUMO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
CLI = os.environ.get("BRUMO_CLI", os.path.join(os.path.dirname(brumo.module_path()), "..", "bin", "brumo"))


def example(name):
    return os.path.join(SOURCE, "examples", name)


def run_cli(*args):
    """Runs the brumo tool; answers its completed process, failing the test on a non-zero status."""
    done = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done


@pytest.fixture(autouse=True)
def memory_comes_back():
    """Every test leaves the module holding what it held before: everything the scenes took is
    given back once they are released."""
    gc.collect()
    before = brumo.memory()
    yield
    gc.collect()
    assert brumo.memory() == before
