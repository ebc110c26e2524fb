# Renders the path-traced references of the physical integrator with Blender's Cycles.
#
#   blender -b --factory-startup --python tests/data/physical/make_references.py -- \
#       --brumo build/bin/brumo [--samples 1024] [--scene cloud] [--single]
#
# With --sweep 1,2,4,... --out DIR it instead renders each scene at those sample counts (another
# seed than the references') into DIR and prints each one's render time and mean absolute
# error per channel against the stored reference, colours clipped to 0-1 as test_physical
# clips them: the sample count at which Cycles' noise falls to the physical mode's own error.
#
# For every scene file beside this script (cloud.json, smoke.json, fire.json) each effect is
# baked by `brumo bake` on the grid the physical integrator samples (the scene's
# "physical.grid"), and Cycles renders the volumes with the same medium (extinction, albedo,
# g, emission), the same lights and sky, at the scene's size, into NAME.exr (multiple
# scattering, 64 volume bounces) and NAME_single.exr (single scattering: no volume bounce).
import argparse
import json
import math
import os
import subprocess
import sys
import tempfile
import time

import bpy
from mathutils import Matrix, Vector

HERE = os.path.dirname(os.path.abspath(__file__))
SCENES = ["cloud", "smoke", "fire"]

# The parameters the extinction depends on; their defaults come from `brumo info --json`.
EXTINCTION_PARAMETERS = ("size", "densityAmount", "absorptionDistance")
CLASS_NAMES = {"clouds": "Clouds", "fire": "Fire", "risingSmoke": "RisingSmoke", "smog": "Smog"}
# The physical integrator's defaults per effect type (see host/render/physical/medium.h).
MEDIA = {
    "clouds": {"albedo": 0.97, "g": 0.5},
    "fire": {"albedo": 0.3, "g": 0.0, "emission": "colour"},
    "risingSmoke": {"albedo": 0.55, "g": 0.2},
    "smog": {"albedo": [0.75, 0.72, 0.68], "g": 0.3},
}


def arguments():
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    parser = argparse.ArgumentParser()
    parser.add_argument("--brumo", required=True)
    parser.add_argument("--samples", type=int, default=1024)
    parser.add_argument("--scene", action="append")
    parser.add_argument("--single", action="store_true", help="only the single-scattering images")
    parser.add_argument("--multiple", action="store_true", help="only the multiple-scattering images")
    parser.add_argument("--sweep", help="comma-separated sample counts to measure against the references")
    parser.add_argument("--out", help="where the sweep's images go")
    return parser.parse_args(argv)


def rgb(value):
    return [float(value)] * 3 if isinstance(value, (int, float)) else [float(v) for v in value[:3]]


def look_at(position, target, up):
    forward = (Vector(target) - Vector(position)).normalized()
    right = forward.cross(Vector(up)).normalized()
    true_up = right.cross(forward)
    m = Matrix.Identity(4)
    for r in range(3):
        m[r][0], m[r][1], m[r][2], m[r][3] = right[r], true_up[r], -forward[r], position[r]
    return m


def coloured_strength(colour):
    peak = max(colour)
    return ([c / peak for c in colour], peak) if peak > 0 else ([1.0, 1.0, 1.0], 0.0)


def volume_material(name, effect, medium, extinction):
    material = bpy.data.materials.new(name)
    material.use_nodes = True
    nodes, links = material.node_tree.nodes, material.node_tree.links
    nodes.clear()
    output = nodes.new("ShaderNodeOutputMaterial")
    principled = nodes.new("ShaderNodeVolumePrincipled")
    principled.inputs["Color"].default_value = rgb(medium.get("albedo", 0.95)) + [1.0]
    principled.inputs["Density"].default_value = extinction
    principled.inputs["Anisotropy"].default_value = float(medium.get("g", 0.0))
    principled.inputs["Absorption Color"].default_value = (0.0, 0.0, 0.0, 1.0)
    principled.inputs["Density Attribute"].default_value = "density"
    shader = principled.outputs["Volume"]
    emission = medium.get("emission")
    strength = float(medium.get("emissionStrength", 1.0))
    if emission is not None and strength > 0:
        # Emission per unit length is the extinction times the glow colour.
        glow = nodes.new("ShaderNodeEmission")
        density = nodes.new("ShaderNodeAttribute")
        density.attribute_type = "GEOMETRY"
        density.attribute_name = "density"
        scale = nodes.new("ShaderNodeMath")
        scale.operation = "MULTIPLY"
        scale.inputs[1].default_value = extinction * strength
        links.new(density.outputs["Fac"], scale.inputs[0])
        links.new(scale.outputs[0], glow.inputs["Strength"])
        if emission == "colour":
            colour = nodes.new("ShaderNodeAttribute")
            colour.attribute_type = "GEOMETRY"
            colour.attribute_name = "sample_colour"  # the colour grid brumo bake --colour writes
            links.new(colour.outputs["Color"], glow.inputs["Color"])
        else:
            glow.inputs["Color"].default_value = rgb(emission) + [1.0]
        add = nodes.new("ShaderNodeAddShader")
        links.new(shader, add.inputs[0])
        links.new(glow.outputs["Emission"], add.inputs[1])
        shader = add.outputs["Shader"]
    links.new(shader, output.inputs["Volume"])
    return material


def module_defaults(brumo):
    info = json.loads(subprocess.run([brumo, "info", "--json"], check=True, capture_output=True, text=True).stdout)
    return {c["name"]: {p["name"]: p["default"] for p in c["parameters"] if p["name"] in EXTINCTION_PARAMETERS}
            for c in info["classes"] if c["kind"] == "effect"}


def build(scene_path, brumo, work):
    with open(scene_path) as f:
        description = json.load(f)
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.engine = "CYCLES"
    image = description.get("image", {})
    scene.render.resolution_x = image.get("width", 320)
    scene.render.resolution_y = image.get("height", 240)
    scene.render.resolution_percentage = 100
    scene.render.filter_size = 0.01  # every sample at the pixel's centre, as the integrator takes it
    scene.cycles.filter_width = 0.01
    scene.cycles.sample_clamp_direct = 0.0
    scene.cycles.sample_clamp_indirect = 0.0
    scene.cycles.use_denoising = False
    scene.cycles.use_adaptive_sampling = False
    scene.cycles.volume_step_rate = 0.5
    scene.cycles.seed = 1
    scene.view_settings.view_transform = "Standard"
    scene.render.image_settings.file_format = "OPEN_EXR"
    scene.render.image_settings.color_depth = "32"
    scene.render.image_settings.exr_codec = "ZIP"
    scene.render.threads_mode = "FIXED"
    scene.render.threads = 2

    physical = description.get("physical", {})
    background = rgb(description.get("background", [0.02, 0.03, 0.06]))
    sky = rgb(physical.get("sky", background))
    world = bpy.data.worlds.new("world")
    scene.world = world
    world.use_nodes = True
    wnodes, wlinks = world.node_tree.nodes, world.node_tree.links
    wnodes.clear()
    # The camera sees the background, everything else the sky.
    light_path = wnodes.new("ShaderNodeLightPath")
    seen = wnodes.new("ShaderNodeBackground")
    seen.inputs["Color"].default_value = background + [1.0]
    lighting = wnodes.new("ShaderNodeBackground")
    lighting.inputs["Color"].default_value = sky + [1.0]
    mix = wnodes.new("ShaderNodeMixShader")
    wlinks.new(light_path.outputs["Is Camera Ray"], mix.inputs["Fac"])
    wlinks.new(lighting.outputs["Background"], mix.inputs[1])
    wlinks.new(seen.outputs["Background"], mix.inputs[2])
    out = wnodes.new("ShaderNodeOutputWorld")
    wlinks.new(mix.outputs["Shader"], out.inputs["Surface"])

    camera = description.get("camera", {})
    data = bpy.data.cameras.new("camera")
    data.sensor_fit = "VERTICAL"
    data.angle = math.radians(camera.get("fov", camera.get("fieldOfView", 40.0)))
    data.clip_start = 0.01
    data.clip_end = 1.0e4
    cam = bpy.data.objects.new("camera", data)
    scene.collection.objects.link(cam)
    cam.matrix_world = look_at(camera.get("position", [0, -20, 0]), camera.get("lookAt", [0, 0, 0]),
                               camera.get("up", [0, 0, 1]))
    scene.camera = cam

    for i, light in enumerate(description.get("lights", [])):
        colour, strength = coloured_strength(rgb(light.get("colour", [1, 1, 1])))
        if light.get("type", "distant") == "point":
            data = bpy.data.lights.new(f"light{i}", "POINT")
            data.shadow_soft_size = 0.0
            # Cycles' watts are 4 pi times the intensity (irradiance at unit distance).
            data.energy = strength * 4.0 * math.pi
            obj = bpy.data.objects.new(f"light{i}", data)
            obj.location = light.get("position", [0, 0, 0])
        else:
            data = bpy.data.lights.new(f"light{i}", "SUN")
            data.angle = 0.0
            data.energy = strength
            obj = bpy.data.objects.new(f"light{i}", data)
            travel = Vector(light.get("direction", [0, 0, -1])).normalized()
            obj.rotation_euler = travel.to_track_quat("-Z", "Y").to_euler()
        data.color = colour
        data.use_shadow = True
        scene.collection.objects.link(obj)

    resolution = int(physical.get("grid", 128))
    for i, effect in enumerate(description["effects"]):
        name = effect.get("name", f"effect{i}")
        medium = dict(MEDIA[effect["type"]])
        medium.update(effect.get("medium", {}))
        vdb = os.path.join(work, f"{name}.vdb")
        command = [brumo, "bake", scene_path, "--effect", name, "-o", vdb, "--resolution", str(resolution),
                   "--threshold", "0", "--threads", "2", "--quiet"]
        if medium.get("emission") == "colour":
            command.append("--colour")
        subprocess.run(command, check=True)
        parameters = dict(module_defaults(brumo)[CLASS_NAMES[effect["type"]]])
        parameters.update({k: v for k, v in effect.get("parameters", {}).items() if k in EXTINCTION_PARAMETERS})
        scale = effect.get("scale", 1.0)
        if not isinstance(scale, (int, float)):
            if max(scale) != min(scale):
                raise SystemExit(f"{scene_path}: {name}: the references need a uniform scale")
            scale = scale[0]
        extinction = float(medium.get("extinction", 1.0)) * 2.0 * parameters["densityAmount"] / (
            parameters["absorptionDistance"] * parameters["size"] * scale)
        bpy.ops.object.volume_import(filepath=vdb, align="WORLD", location=(0, 0, 0))
        obj = bpy.context.active_object
        obj.name = name
        obj.data.materials.append(volume_material(name, effect, medium, extinction))
    return scene


def pixels(path):
    import numpy
    image = bpy.data.images.load(path)
    values = numpy.array(image.pixels[:], dtype=numpy.float64).reshape(-1, 4)[:, :3]
    bpy.data.images.remove(image)
    return numpy.clip(values, 0.0, 1.0)


def render(scene, samples, bounces, path, seed=1):
    scene.cycles.samples = samples
    scene.cycles.seed = seed
    scene.cycles.max_bounces = bounces
    scene.cycles.volume_bounces = bounces
    scene.cycles.diffuse_bounces = 0
    scene.cycles.glossy_bounces = 0
    scene.cycles.transmission_bounces = 0
    # Rays toward a lamp cross the volumes' bounds as transparent surfaces: with none allowed, no
    # lamp would light a volume at all.
    scene.cycles.transparent_max_bounces = 64
    scene.render.filepath = path
    started = time.time()
    bpy.ops.render.render(write_still=True)
    return time.time() - started


def main():
    args = arguments()
    brumo = os.path.abspath(args.brumo)
    kinds = []
    if not args.multiple:
        kinds.append(("_single", 0))
    if not args.single:
        kinds.append(("", 64))
    with tempfile.TemporaryDirectory() as work:
        for name in args.scene or SCENES:
            for suffix, bounces in kinds:
                if args.sweep:
                    reference = pixels(os.path.join(HERE, name + suffix + ".exr"))
                    for samples in [int(n) for n in args.sweep.split(",")]:
                        scene = build(os.path.join(HERE, name + ".json"), brumo, work)
                        path = os.path.join(os.path.abspath(args.out), f"{name}{suffix}_{samples}.exr")
                        seconds = render(scene, samples, bounces, path, seed=2)
                        error = abs(pixels(path) - reference).mean(axis=0)
                        print(f"sweep {name}{suffix}: {samples} samples, {seconds:.1f} s, mean absolute error "
                              + " ".join(f"{e:.4f}" for e in error), flush=True)
                    continue
                scene = build(os.path.join(HERE, name + ".json"), brumo, work)
                seconds = render(scene, args.samples, bounces, os.path.join(HERE, name + suffix + ".exr"))
                print(f"reference {name}{suffix}: {args.samples} samples, {seconds:.1f} s", flush=True)


main()
