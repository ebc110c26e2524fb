"""Sequences: the frames of a scene rendered here, or one task per frame on a Dask cluster."""

import json
import os

from ._errors import FrameErrors

# The scene a worker process rendered last, by its JSON, so that a sequence builds it once.
_worker_scene = (None, None)


def numbered(path, frame, last):
    """out.exr, frame 7 of 1-120 -> out_0007.exr: as many digits as the last frame, four at
    least, as brumo render numbers them."""
    stem, extension = os.path.splitext(str(path))
    return f"{stem}_{frame:0{max(4, len(str(max(last, 0))))}d}{extension}"


def _scene_of(text, file):
    global _worker_scene
    from ._scene import Scene
    if _worker_scene[0] != text:
        _worker_scene = (text, Scene.from_dict(json.loads(text), file))
    return _worker_scene[1]


def _render_frame(scene, frame, width, height, threads, output):
    """One frame: the image, or the path it was written to."""
    from . import _brumo
    image = scene.render(width=width, height=height, frame=frame, threads=threads)
    if output is None:
        return image
    if output.lower().endswith(".exr"):
        _brumo.write_exr(output, image)
    else:
        _brumo.write_png(output, image, **scene.view)
    return output


def _render_task(text, file, frame, width, height, threads, output):
    """One frame on a worker, from the scene's JSON."""
    return _render_frame(_scene_of(text, file), frame, width, height, threads, output)


def render_frames(scene, frames, client=None, output=None, width=None, height=None, threads=None):
    """Renders the frames of scene; answers {frame: image} (float32, height x width x 4), or
    {frame: path} when output names the files (out.exr -> out_0001.exr, ...; PNG through the
    scene's view, or OpenEXR, by the extension, on a folder every worker can write).

    Without a client the frames render here, one after the other, on `threads` threads (all
    cores by default). With a ``dask.distributed`` client each frame is one task on the
    cluster's workers (one render thread per task unless threads says otherwise), each worker
    process loading the module once and building the scene once. When frames fail, the others
    still render and FrameErrors reports each failure by frame.
    """
    frames = [int(f) for f in frames]
    last = max(frames, default=0)
    outputs = {f: (numbered(output, f, last) if output is not None else None) for f in frames}
    results, errors = {}, {}
    if client is None:
        for f in frames:
            try:
                results[f] = _render_frame(scene, f, width, height, threads, outputs[f])
            except KeyboardInterrupt:
                raise
            except Exception as error:  # reported per frame below
                errors[f] = error
    else:
        [shared] = client.scatter([json.dumps(scene.to_dict())], broadcast=True, hash=False)
        futures = {f: client.submit(_render_task, shared, scene.file, f, width, height, threads or 1,
                                    outputs[f], pure=False, key=f"brumo-frame-{f}-{os.urandom(6).hex()}")
                   for f in frames}
        for f, future in futures.items():
            try:
                results[f] = future.result()
            except KeyboardInterrupt:
                client.cancel(list(futures.values()))
                raise
            except Exception as error:  # a failed frame, a lost worker, a cancelled task
                errors[f] = error
            future.release()
    if errors:
        raise FrameErrors(errors, results)
    return results
