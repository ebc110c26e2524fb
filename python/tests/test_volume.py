"""The density sampler and the bake, against the OpenVDB file brumo bake writes."""

import json

import numpy as np
import pyopenvdb as vdb

import brumo
from conftest import run_cli

# Placed, turned and stretched, so that the grid's maps are not the identity.
# Coloured by a gradient: brumo bake leaves a colour grid that is the same everywhere out.
PLACED = {"effects": [{"type": "clouds", "translate": [1, 2, 3], "rotate": [0, 20, 35],
                       "scale": [1, 1.5, 0.75], "lighting": "fixed",
                       "parameters": {"colourGradient": [{"position": 0, "colour": [1, 0.5, 0]},
                                                         {"position": 1, "colour": [0, 0.5, 1]}]}}]}


def dense(grid, counts):
    out = np.zeros(counts, dtype=np.float32 if grid.valueTypeName == "float" else None)
    grid.copyToArray(out, ijk=(0, 0, 0))
    return out


def test_sample_equals_the_voxels_of_brumo_bake_at_their_centres(tmp_path):
    (tmp_path / "placed.json").write_text(json.dumps(PLACED))
    run_cli("bake", tmp_path / "placed.json", "-q", "--resolution", 20, "--colour", "-o", tmp_path / "placed.vdb")
    scene = brumo.Scene.load(tmp_path / "placed.json")
    [baked] = scene.bake(resolution=20, colour=True)
    counts = baked["density"].shape

    ijk = np.stack(np.meshgrid(*map(np.arange, counts), indexing="ij"), axis=-1).reshape(-1, 3)
    homogeneous = np.concatenate([ijk, np.ones((len(ijk), 1))], axis=1)
    centres = (homogeneous @ baked["index_to_local"].T)[:, :3]
    densities, _, colours = scene.effects[0].sample(centres, colour=True)
    densities, colours = densities.reshape(counts), colours.reshape(*counts, 4)
    assert np.array_equal(densities, baked["density"]) and np.array_equal(colours, baked["colour"])

    grid = vdb.read(str(tmp_path / "placed.vdb"), "density")
    active = np.zeros(counts, dtype=bool)
    for item in grid.citerOnValues():
        active[item.min] = True
    written = dense(grid, counts)
    assert active.any() and not active.all()
    assert np.array_equal(written[active], densities[active])
    assert (densities[~active] < 1e-4).all()
    cd = np.zeros((*counts, 3), dtype=np.float32)
    vdb.read(str(tmp_path / "placed.vdb"), "sample_colour").copyToArray(cd, ijk=(0, 0, 0))
    assert np.array_equal(cd[active], colours[active][:, :3])
    # The same voxel lands at the same place in the world.
    corner = np.array(counts) - 1
    assert np.allclose(grid.transform.indexToWorld(tuple(int(c) for c in corner)),
                       (baked["index_to_world"] @ [*corner, 1])[:3], atol=1e-9)


def test_a_bake_to_a_file_writes_the_grids_brumo_bake_writes(tmp_path):
    scene = brumo.Scene.from_dict({"effects": [{"type": "fire", "name": "flame"}, {"type": "smog"}]})
    assert scene.bake(resolution=8, path=tmp_path / "both.vdb") == tmp_path / "both.vdb"
    names = sorted(g.name for g in vdb.readAllGridMetadata(str(tmp_path / "both.vdb")))
    assert names == ["density_Smog", "density_flame"]
    [flame] = scene.bake(resolution=8, effect="flame")
    written = vdb.read(str(tmp_path / "both.vdb"), "density_flame")
    assert written["brumo_effect_type"] == "Fire"
    assert np.array_equal(dense(written, flame["density"].shape)[flame["density"] >= 1e-4],
                          flame["density"][flame["density"] >= 1e-4])
