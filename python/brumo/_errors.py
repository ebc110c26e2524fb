"""What the package raises besides the usual ValueError, OSError and KeyboardInterrupt."""


class SceneError(ValueError):
    """A scene, or a value given to one, is not what a scene file may hold.

    ``path`` is the key's path in the scene (``effects[0].parameters.densityAmount``) and
    ``file`` the scene file, empty for a scene made from a dict.
    """

    def __init__(self, message, file="", path=""):
        super().__init__(message)
        self.file = file
        self.path = path


class ModuleError(RuntimeError):
    """The module cannot be loaded, or failed inside."""


class Cancelled(RuntimeError):
    """The work stopped because a progress callback answered False."""


class FrameErrors(RuntimeError):
    """Some frames of a sequence failed.

    ``errors`` maps each failed frame to its exception; ``results`` holds the frames that were
    rendered, as ``render_frames`` returns them.
    """

    def __init__(self, errors, results):
        lines = ", ".join(f"frame {f}: {e}" for f, e in sorted(errors.items()))
        super().__init__(f"{len(errors)} of {len(errors) + len(results)} frames failed ({lines})")
        self.errors = errors
        self.results = results


class SceneWarning(UserWarning):
    """A setting the module will clamp, ignore or draw as nothing: what ``brumo render`` prints
    before rendering. ``path``, ``value`` (as JSON), ``consequence`` and ``advice``."""

    def __init__(self, path, value, consequence, advice, text):
        super().__init__(text)
        self.path = path
        self.value = value
        self.consequence = consequence
        self.advice = advice
