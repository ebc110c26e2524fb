"""Scenes, effects and modifiers."""

import json
import warnings

import numpy as np

from . import _brumo
from ._errors import SceneWarning


def _plain(value):
    """NumPy scalars and arrays as the numbers and lists JSON holds."""
    if isinstance(value, (np.generic, np.ndarray)):
        return value.tolist()
    raise TypeError(f"a scene value cannot be {type(value).__name__}")


def _json(value):
    return json.dumps(value, default=_plain)


def _warn(found, stacklevel):
    for warning in found:
        warnings.warn(SceneWarning(*warning), stacklevel=stacklevel)


class _Component:
    """An effect or a modifier: parameters by field name, as a scene file's ``parameters``."""

    def __init__(self, state, effect, modifier):
        self._state = state
        self._effect = effect
        self._modifier = modifier

    def keys(self):
        """The names of the parameters, in the order of the block."""
        return list(self._state.fields(self._effect, self._modifier))

    def __contains__(self, name):
        return name in self.keys()

    def __getitem__(self, name):
        if name not in self.keys():
            raise KeyError(name)
        return json.loads(self._state.get(self._effect, self._modifier, name))

    def __setitem__(self, name, value):
        """Checks the value as a scene file's (SceneError with its key path when it is not one),
        writes it into the component's block and tells the component. A value the module will
        clamp or ignore gives a SceneWarning, as in a scene file."""
        before = {w[4] for w in self._state.warnings}
        self._state.set(self._effect, self._modifier, name, _json(value))
        _warn([w for w in self._state.warnings if w[4] not in before], stacklevel=3)

    def items(self):
        return [(name, self[name]) for name in self.keys()]


class Modifier(_Component):
    """A modifier attached to an effect."""

    @property
    def type(self):
        return self._state.effects[self._effect][2][self._modifier]

    def __repr__(self):
        return f"<brumo.Modifier {self.type}>"


class Effect(_Component):
    """An effect of a scene, with its modifiers in the order they are attached."""

    def __init__(self, scene, index):
        super().__init__(scene._state, index, -1)
        self._scene = scene

    @property
    def name(self):
        return self._state.effects[self._effect][0]

    @property
    def type(self):
        return self._state.effects[self._effect][1]

    @property
    def modifiers(self):
        count = len(self._state.effects[self._effect][2])
        return [Modifier(self._state, self._effect, m) for m in range(count)]

    def sample(self, points, frame=None, shape=False, colour=False):
        """The densities the march samples at points (N x 3, the effect's local space, where it
        fills the cube of edge 2 x size), as float32 of N. With shape or colour, answers
        (densities, shape values or None, colours N x 4 or None)."""
        densities, shapes, colours = self._state.sample(
            self._effect, self._scene._frame(frame), np.asarray(points, dtype=np.float32), shape, colour)
        return (densities, shapes, colours) if shape or colour else densities

    def __repr__(self):
        return f"<brumo.Effect {self.name!r} ({self.type})>"


class Scene:
    """A scene: what a scene file describes, with its effects made by the module."""

    def __init__(self, state):
        self._state = state
        _warn(state.warnings, stacklevel=4)

    @classmethod
    def load(cls, path):
        """Reads a scene file; SceneError names the file and the key when it is wrong."""
        return cls(_brumo.SceneState.load(str(path)))

    @classmethod
    def from_dict(cls, scene, file=""):
        """A scene from the dict a scene file holds; relative OBJ paths are read from the folder
        of file."""
        return cls(_brumo.SceneState.read(_json(scene), str(file)))

    def to_dict(self):
        """The scene as a scene file would hold it, every value written out."""
        return json.loads(self._state.to_json())

    def save(self, path):
        """Writes the scene file, replacing any file at path only once it is complete."""
        self._state.save(str(path))

    @property
    def file(self):
        return self._state.file

    @property
    def warnings(self):
        """The SceneWarnings of the scene as it stands: settings the module will clamp, ignore
        or draw as nothing."""
        return [SceneWarning(*w) for w in self._state.warnings]

    @property
    def view(self):
        """How the scene's 8-bit images show linear light: {"view": "filmic" or "standard",
        "exposure": stops}, as ``brumo.write_png(path, image, **scene.view)`` takes it."""
        return self._state.view

    @property
    def frames(self):
        """(first, last) frame of the scene."""
        return self._state.frames

    @property
    def effects(self):
        return [Effect(self, i) for i in range(len(self._state.effects))]

    def effect(self, name):
        """The first effect of that name."""
        for effect in self.effects:
            if effect.name == name:
                return effect
        raise KeyError(name)

    def _frame(self, frame):
        return self.frames[0] if frame is None else int(frame)

    def render(self, width=None, height=None, frame=None, threads=None, progress=None):
        """The image as float32 of height x width x 4: linear light, premultiplied alpha, top row
        first, the numbers the OpenEXR image of ``brumo render`` holds. progress(done, total) is
        called as tiles finish; answering False stops the render (Cancelled), and it cannot use
        brumo itself (RuntimeError). Ctrl-C stops the render too (KeyboardInterrupt)."""
        return self._state.render(width or 0, height or 0, self._frame(frame), threads or 0, progress)

    def bake(self, voxel_size=None, resolution=None, colour=False, effect=None, frame=None,
             threads=None, path=None, threshold=1e-4, progress=None):
        """The grids ``brumo bake`` writes. Without path, a list with one dict per effect:
        ``density`` (float32, nx x ny x nz), ``colour`` (nx x ny x nz x 4, or None),
        ``index_to_world`` and ``index_to_local`` (4 x 4: voxel (i, j, k) to the world, and to the
        effect's space where ``sample`` takes its points), ``voxel_size``, ``effect`` and ``type``. With path, writes the OpenVDB file instead and answers path."""
        if voxel_size and resolution:
            raise ValueError("give voxel_size or resolution, not both")
        args = (float(voxel_size or 0.0), int(resolution or 128), bool(colour), effect or "",
                self._frame(frame), threads or 0)
        if path is None:
            return self._state.bake(*args, progress)
        self._state.bake_to_vdb(str(path), *args, float(threshold), progress)
        return path

    def __reduce__(self):
        # Across processes (Dask workers) a scene travels as its dict.
        return (Scene.from_dict, (self.to_dict(), self.file))

    def __repr__(self):
        return f"<brumo.Scene {self.file or '(from a dict)'}: {len(self.effects)} effects>"
