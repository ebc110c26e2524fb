"""Brumo's volumetric effects from Python.

The scene is the one a scene file describes (``Scene.load``, ``Scene.from_dict``,
``scene.to_dict()``), its effects and modifiers are objects whose parameters are read and
written by field name, and ``scene.render()`` answers the image ``brumo render`` writes, as a
NumPy array. ``render_frames`` spreads the frames of a sequence over a ``dask.distributed``
cluster when given a client.
"""

from ._errors import Cancelled, FrameErrors, ModuleError, SceneError, SceneWarning
from ._scene import Effect, Modifier, Scene
from ._frames import render_frames
from ._brumo import memory, module_path, read_exr, write_exr, write_png

__all__ = [
    "Scene", "Effect", "Modifier", "render_frames",
    "write_png", "write_exr", "read_exr", "memory", "module_path",
    "SceneError", "SceneWarning", "ModuleError", "Cancelled", "FrameErrors",
]
