"""Brumo scenes in Blender: an add-on (File > Import > Brumo scene) that also runs headless.

    blender -b --python tools/blender/brumo_import.py -- scene.json [-o out.png] [options]

The scene is baked through `brumo bake --emission --lit` (or existing VDB files are taken), and
built as Blender sees it: one volume object per effect whose material adds the baked emission
and absorbs by the baked extinction (brumo's own light model, no scattering), the camera, the
distant lights as suns, the background as the world colour and the frame range. With -o the
scene is rendered with Cycles and the picture written; the view transform is Standard, so it
compares with `brumo render --view standard`.
"""

import argparse
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

import bpy
from mathutils import Matrix, Vector

bl_info = {
    "name": "Brumo scene importer",
    "blender": (3, 4, 0),
    "category": "Import-Export",
    "description": "Imports a brumo scene file: effects as volumes, camera, suns, world",
}

# Scene-file defaults, as brumo reads a scene that leaves them out.
DEFAULTS = {
    "width": 320, "height": 240, "background": [0.02, 0.03, 0.06, 1.0],
    "camera": {"type": "pinhole", "position": [0, -20, 0], "lookAt": [0, 0, 0], "up": [0, 0, 1],
               "fov": 40.0, "width": 12.0},
}


def find_brumo(explicit=None):
    """The brumo tool: the given path, BRUMO, the build beside this file, or PATH."""
    here = os.path.dirname(os.path.abspath(__file__))
    for candidate in (explicit, os.environ.get("BRUMO"),
                      os.path.join(here, "..", "..", "build", "bin", "brumo"), shutil.which("brumo")):
        if candidate and os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return candidate
    raise RuntimeError("brumo was not found: give its path (--brumo PATH) or set BRUMO")


def frame_range(scene):
    frames = scene.get("frames")
    return (int(frames[0]), int(frames[1])) if frames else None


def bake(scene_path, scene, folder, brumo, resolution):
    """Runs brumo bake; answers the first VDB file (of a sequence when the scene is animated)."""
    name = os.path.splitext(os.path.basename(scene_path))[0]
    out = os.path.join(folder, name + ".vdb")
    command = [brumo, "bake", scene_path, "-o", out, "-q", "--emission", "--lit",
               "--resolution", str(resolution)]
    frames = frame_range(scene)
    if frames and frames[1] > frames[0]:
        command += ["--frames", "%d-%d" % frames]
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError("brumo bake failed (%d): %s" % (result.returncode, result.stderr.strip()))
    if frames and frames[1] > frames[0]:
        root, extension = os.path.splitext(out)
        return "%s_%04d%s" % (root, frames[0], extension), frames
    return out, None


def light_material(suffix):
    """Emission as baked, absorption by the baked extinction: the effect's own march."""
    material = bpy.data.materials.new("brumo" + suffix)
    material.use_nodes = True
    nodes, links = material.node_tree.nodes, material.node_tree.links
    nodes.clear()
    output = nodes.new("ShaderNodeOutputMaterial")
    emission_attribute = nodes.new("ShaderNodeAttribute")
    emission_attribute.attribute_name = "emission" + suffix
    extinction_attribute = nodes.new("ShaderNodeAttribute")
    extinction_attribute.attribute_name = "extinction" + suffix
    emission = nodes.new("ShaderNodeEmission")
    emission.inputs["Strength"].default_value = 1.0
    absorption = nodes.new("ShaderNodeVolumeAbsorption")
    absorption.inputs["Color"].default_value = (0.0, 0.0, 0.0, 1.0)
    both = nodes.new("ShaderNodeAddShader")
    links.new(emission_attribute.outputs["Color"], emission.inputs["Color"])
    links.new(extinction_attribute.outputs["Fac"], absorption.inputs["Density"])
    links.new(emission.outputs[0], both.inputs[0])
    links.new(absorption.outputs[0], both.inputs[1])
    links.new(both.outputs[0], output.inputs["Volume"])
    return material


def add_volumes(vdb_path, frames):
    """One volume object per density grid of the file (density or density_NAME)."""
    probe = bpy.data.volumes.new("brumo probe")
    probe.filepath = vdb_path
    probe.grids.load()
    suffixes = [g.name[len("density"):] for g in probe.grids if g.name.startswith("density")]
    bpy.data.volumes.remove(probe)
    if not suffixes:
        raise RuntimeError(vdb_path + " holds no density grid")
    objects = []
    for suffix in suffixes:
        volume = bpy.data.volumes.new("brumo" + suffix)
        volume.filepath = vdb_path
        if frames:
            volume.is_sequence = True
            volume.frame_start = frames[0]
            volume.frame_duration = frames[1] - frames[0] + 1
            volume.sequence_mode = "CLIP"
        volume.materials.append(light_material(suffix))
        obj = bpy.data.objects.new(suffix[1:] or "brumo", volume)
        bpy.context.scene.collection.objects.link(obj)
        volume.grids.load()
        for index, grid in enumerate(volume.grids):
            if grid.name == "density" + suffix:
                volume.grids.active_index = index
        objects.append(obj)
    return objects


def add_camera(scene, width, height):
    settings = dict(DEFAULTS["camera"], **scene.get("camera", {}))
    if "fieldOfView" in settings:
        settings["fov"] = settings["fieldOfView"]
    data = bpy.data.cameras.new("brumo camera")
    if settings["type"].lower() in ("orthographic", "ortho"):
        data.type = "ORTHO"
        data.sensor_fit = "HORIZONTAL"
        data.ortho_scale = float(settings["width"])
    else:
        data.sensor_fit = "VERTICAL"
        data.angle_y = math.radians(float(settings["fov"]))
    camera = bpy.data.objects.new("brumo camera", data)
    bpy.context.scene.collection.objects.link(camera)
    position = Vector(settings["position"])
    forward = (Vector(settings["lookAt"]) - position).normalized()
    right = forward.cross(Vector(settings["up"])).normalized()
    up = right.cross(forward)
    rotation = Matrix((right, up, -forward)).transposed()
    camera.matrix_world = Matrix.Translation(position) @ rotation.to_4x4()
    bpy.context.scene.camera = camera
    return camera


def add_lights(scene):
    for index, light in enumerate(scene.get("lights", [])):
        if light.get("type", "distant").lower() not in ("distant", "directional"):
            continue
        data = bpy.data.lights.new("brumo sun %d" % index, "SUN")
        data.color = light.get("colour", [1, 1, 1])[:3]
        sun = bpy.data.objects.new(data.name, data)
        # A sun shines down its local -z.
        sun.rotation_euler = Vector(light.get("direction", [0, 0, -1])).to_track_quat("-Z", "Y").to_euler()
        bpy.context.scene.collection.objects.link(sun)


def import_scene(scene_path, brumo=None, resolution=128, vdb=None, folder=None):
    """Builds the Blender scene of a brumo scene file; answers the volume objects."""
    with open(scene_path) as f:
        scene = json.load(f)
    image = scene.get("image", {})
    width, height = image.get("width", DEFAULTS["width"]), image.get("height", DEFAULTS["height"])
    blender = bpy.context.scene
    blender.render.resolution_x, blender.render.resolution_y = width, height
    blender.render.resolution_percentage = 100
    frames = frame_range(scene)
    if frames:
        blender.frame_start, blender.frame_end = frames
    if vdb is None:
        folder = folder or tempfile.mkdtemp(prefix="brumo-")
        vdb, sequence = bake(os.path.abspath(scene_path), scene, folder, find_brumo(brumo), resolution)
    else:
        sequence = frames if frames and "%04d" % frames[0] in os.path.basename(vdb) else None
    objects = add_volumes(vdb, sequence)
    add_camera(scene, width, height)
    add_lights(scene)
    background = (scene.get("background", DEFAULTS["background"]) + [1.0])[:3]
    world = bpy.data.worlds.new("brumo background")
    world.use_nodes = True
    world.node_tree.nodes["Background"].inputs["Color"].default_value = (*background, 1.0)
    world.node_tree.nodes["Background"].inputs["Strength"].default_value = 1.0
    blender.world = world
    view = blender.view_settings
    view.view_transform, view.look, view.exposure, view.gamma = "Standard", "None", 0.0, 1.0
    return objects


def render(output, samples=16, frame=None):
    blender = bpy.context.scene
    blender.render.engine = "CYCLES"
    blender.cycles.device = "CPU"
    blender.cycles.samples = samples
    blender.cycles.use_denoising = False
    blender.cycles.use_adaptive_sampling = False
    # brumo traces one ray through each pixel's centre and marches in short steps.
    blender.cycles.filter_width = 0.01
    blender.cycles.volume_step_rate = 0.25
    blender.cycles.volume_max_steps = 4096
    blender.render.image_settings.file_format = "PNG"
    blender.render.image_settings.color_mode = "RGBA"
    blender.render.filepath = os.path.abspath(output)
    if frame is not None:
        blender.frame_set(frame)
    bpy.ops.render.render(write_still=True)


def clear_scene():
    for obj in list(bpy.data.objects):
        bpy.data.objects.remove(obj)


class ImportBrumoScene(bpy.types.Operator):
    """Import a brumo scene file, baked through brumo bake"""
    bl_idname = "import_scene.brumo"
    bl_label = "Import Brumo scene"
    bl_options = {"REGISTER", "UNDO"}

    filepath: bpy.props.StringProperty(subtype="FILE_PATH")
    filter_glob: bpy.props.StringProperty(default="*.json", options={"HIDDEN"})
    resolution: bpy.props.IntProperty(name="Voxels", default=128, min=8, max=1024,
                                      description="Voxels along each effect's longest edge")

    def execute(self, context):
        try:
            import_scene(self.filepath, resolution=self.resolution)
        except (OSError, ValueError, RuntimeError) as error:
            self.report({"ERROR"}, str(error))
            return {"CANCELLED"}
        return {"FINISHED"}

    def invoke(self, context, event):
        context.window_manager.fileselect_add(self)
        return {"RUNNING_MODAL"}


def menu_entry(self, context):
    self.layout.operator(ImportBrumoScene.bl_idname, text="Brumo scene (.json)")


def register():
    bpy.utils.register_class(ImportBrumoScene)
    bpy.types.TOPBAR_MT_file_import.append(menu_entry)


def unregister():
    bpy.types.TOPBAR_MT_file_import.remove(menu_entry)
    bpy.utils.unregister_class(ImportBrumoScene)


def main(argv):
    parser = argparse.ArgumentParser(prog="brumo_import.py", description=__doc__.splitlines()[0])
    parser.add_argument("scene", help="brumo scene file (JSON)")
    parser.add_argument("-o", "--output", help="render to this PNG")
    parser.add_argument("--vdb", help="use this VDB file (the first of a sequence) instead of baking")
    parser.add_argument("--brumo", help="the brumo tool (default: BRUMO, the build, PATH)")
    parser.add_argument("--resolution", type=int, default=128, help="bake voxels along the longest edge")
    parser.add_argument("--width", type=int)
    parser.add_argument("--height", type=int)
    parser.add_argument("--samples", type=int, default=16)
    parser.add_argument("--frame", type=int, help="the frame to render of an animated scene")
    parser.add_argument("--save", help="also save the .blend file here")
    args = parser.parse_args(argv)
    clear_scene()
    try:
        import_scene(args.scene, args.brumo, args.resolution, args.vdb)
    except (OSError, ValueError, RuntimeError) as error:
        print("brumo_import: " + str(error), file=sys.stderr)
        return 2
    if args.width:
        bpy.context.scene.render.resolution_x = args.width
    if args.height:
        bpy.context.scene.render.resolution_y = args.height
    if args.save:
        bpy.ops.wm.save_as_mainfile(filepath=os.path.abspath(args.save))
    if args.output:
        render(args.output, args.samples, args.frame)
    return 0


if __name__ == "__main__":
    arguments = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    sys.exit(main(arguments))
