"""Sequences, here and on a local Dask cluster of two worker processes."""

import numpy as np
import pytest
from distributed import Client, LocalCluster

import brumo
from conftest import example

SIZE = {"width": 32, "height": 24}
FRAMES = [1, 8, 16, 24]


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster:
        with Client(cluster) as client:
            yield client


def test_a_cluster_of_two_workers_renders_the_frames_a_local_render_does(client):
    scene = brumo.Scene.load(example("animated_fire.json"))
    local = brumo.render_frames(scene, FRAMES, **SIZE)
    remote = brumo.render_frames(scene, FRAMES, client=client, **SIZE)
    assert sorted(remote) == FRAMES
    for frame in FRAMES:
        assert np.array_equal(remote[frame], local[frame]), frame
        assert np.array_equal(local[frame], scene.render(frame=frame, **SIZE)), frame
    assert not np.array_equal(local[1], local[24])


def test_a_frame_that_fails_is_reported_by_its_number_and_the_others_are_written(client, tmp_path):
    scene = brumo.Scene.load(example("animated_fire.json"))
    (tmp_path / "fire_0008.png").mkdir()  # frame 8 cannot be written over a folder
    with pytest.raises(brumo.FrameErrors) as failed:
        brumo.render_frames(scene, FRAMES, client=client, output=str(tmp_path / "fire.png"), **SIZE)
    assert list(failed.value.errors) == [8]
    assert isinstance(failed.value.errors[8], OSError)
    assert sorted(failed.value.results) == [1, 16, 24]
    assert all((tmp_path / f"fire_{f:04d}.png").is_file() for f in (1, 16, 24))
