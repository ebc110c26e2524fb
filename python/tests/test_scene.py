"""Scenes, parameters and errors, compared with the scene files and the brumo tool."""

import json

import numpy as np
import pytest

import brumo
from conftest import example, run_cli

SMALL = {"width": 40, "height": 30}

TWISTED = {
    "effects": [{
        "type": "clouds",
        "lighting": "fixed",
        "parameters": {"densityAmount": 1.5, "combineMode": "Opt2"},
        "modifiers": [{"type": "twist", "parameters": {"angle": 2}}],
    }]
}


def bits(image):
    return np.ascontiguousarray(image, dtype=np.float32).view(np.uint32)


def test_a_render_equals_the_exr_brumo_render_writes_to_the_bit(tmp_path):
    exposed = tmp_path / "exposed.json"
    exposed.write_text(json.dumps({"image": {"view": "standard", "exposure": 1.5},
                                   "effects": [{"type": "fire", "parameters": {"shapeFlags": 64}}]}))
    physical = tmp_path / "physical.json"
    physical.write_text(json.dumps({"integrator": "physical", "physical": {"grid": 24},
                                    "lights": [{"direction": [1, 0.5, -1]}],
                                    "effects": [{"type": "smog", "medium": {"albedo": 0.8}}]}))
    for name in (example("campfire.json"), example("twisted_smoke.json"), str(exposed), str(physical)):
        run_cli("render", name, "-q", "--width", 40, "--height", 30, "--threads", 2,
                "-o", tmp_path / "out.png", "--exr", tmp_path / "out.exr")
        scene = brumo.Scene.load(name)
        image = scene.render(**SMALL, threads=1)
        assert image.dtype == np.float32 and image.shape == (30, 40, 4)
        assert np.array_equal(bits(image), bits(brumo.read_exr(str(tmp_path / "out.exr")))), name
        # Through the scene's view, the PNG is the tool's, byte for byte.
        brumo.write_png(str(tmp_path / "mine.png"), image, **scene.view)
        assert (tmp_path / "mine.png").read_bytes() == (tmp_path / "out.png").read_bytes(), name

    # A frame of an animated scene, after the same scene rendered another frame.
    run_cli("render", example("animated_fire.json"), "-q", "--width", 40, "--height", 30, "--frame", 16,
            "-o", tmp_path / "out.exr")
    scene = brumo.Scene.load(example("animated_fire.json"))
    scene.render(**SMALL, frame=1)
    assert np.array_equal(bits(scene.render(**SMALL, frame=16)), bits(brumo.read_exr(str(tmp_path / "out.exr"))))


def test_parameters_written_by_name_change_the_image_as_the_scene_file_does():
    scene = brumo.Scene.from_dict({"effects": [
        {"type": "clouds", "lighting": "fixed", "modifiers": ["twist"]}]})
    before = scene.render(**SMALL)
    clouds = scene.effects[0]
    clouds["densityAmount"] = np.float32(1.5)
    clouds["combineMode"] = "Opt2"
    clouds.modifiers[0]["angle"] = 2
    assert clouds["densityAmount"] == 1.5 and clouds["combineMode"] == "Opt2"
    image = scene.render(**SMALL)
    assert not np.array_equal(image, before)
    assert np.array_equal(bits(image), bits(brumo.Scene.from_dict(TWISTED).render(**SMALL)))


def test_to_dict_and_save_give_back_a_scene_that_renders_the_same(tmp_path):
    scene = brumo.Scene.load(example("blob_smog.json"))
    scene.effects[0]["densityAmount"] = 3
    scene.save(tmp_path / "saved.json")
    image = scene.render(**SMALL)
    for again in (brumo.Scene.from_dict(scene.to_dict()), brumo.Scene.load(tmp_path / "saved.json")):
        assert again.effects[0]["densityAmount"] == 3
        assert np.array_equal(bits(again.render(**SMALL)), bits(image))


def test_errors_raise_with_the_key_path_and_the_scene_file_message(tmp_path):
    with pytest.raises(brumo.SceneError) as error:
        brumo.Scene.from_dict({"effects": [{"type": "fire", "parameters": {"densityAmout": 1}}]})
    assert error.value.path == "effects[0].parameters.densityAmout"
    assert 'did you mean "densityAmount"' in str(error.value)
    with pytest.raises(brumo.SceneError) as error:
        brumo.Scene.load(tmp_path / "missing.json")
    assert error.value.file == str(tmp_path / "missing.json")

    scene = brumo.Scene.load(example("fire.json"))
    fire = scene.effects[0]
    with pytest.raises(brumo.SceneError) as error:
        fire["densityAmount"] = "lots"
    assert error.value.path == "effects[0].parameters.densityAmount"
    assert error.value.file == example("fire.json")
    with pytest.raises(brumo.SceneError) as error:
        fire["combineMode"] = "multiplied"
    assert error.value.path == "effects[0].parameters.combineMode"
    with pytest.raises(KeyError):
        fire["densityAmout"]
    # A refused value leaves the scene as it was.
    assert brumo.Scene.load(example("fire.json")).to_dict() == scene.to_dict()


def test_write_png_and_exr_refuse_what_is_not_an_image(tmp_path):
    with pytest.raises(ValueError):
        brumo.write_png(str(tmp_path / "x.png"), np.zeros((4, 4, 3), np.float32))
    with pytest.raises(ValueError, match="filmic"):
        brumo.write_png(str(tmp_path / "x.png"), np.zeros((4, 4, 4), np.float32), view="filmc")
    with pytest.raises(OSError):
        brumo.write_exr(str(tmp_path / "missing" / "x.exr"), np.zeros((4, 4, 4), np.float32))


def test_settings_the_module_will_ignore_give_the_warnings_a_scene_file_gets():
    with pytest.warns(brumo.SceneWarning) as caught:
        scene = brumo.Scene.from_dict({"effects": [{"type": "fire", "parameters": {"size": -4}}]})
    assert [w.message.path for w in caught] == ["effects[0].parameters.size"]
    assert [w.path for w in scene.warnings] == ["effects[0].parameters.size"]
    with pytest.warns(brumo.SceneWarning) as caught:
        scene.effects[0]["densityAmount"] = -5
    assert [w.message.path for w in caught] == ["effects[0].parameters.densityAmount"]
    scene.effects[0]["size"] = 2
    assert [w.path for w in scene.warnings] == ["effects[0].parameters.densityAmount"]
