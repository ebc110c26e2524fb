// One scene-file fuzz case: the bytes as the text of a scene file, read and checked as `brumo
// render` reads it, then its warnings. A scene either reads or is refused with a SceneFileError;
// any other way out is a problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "host/scene_file/scene_description.h"
#include "host/scene_file/scene_warnings.h"

namespace brumo::fuzz {

// "" when the case ran cleanly, otherwise what went wrong.
inline std::string runSceneFileCase(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        // No folder: an OBJ path is looked up relative to the working folder and is rarely there.
        const host::SceneDescription scene = host::readSceneText(text, "");
        for (const host::SceneWarning& warning : host::sceneWarnings(scene))
            if (warning.path.empty() || warning.consequence.empty())
                return "a warning without a path or a consequence: " + warning.text() + "\n";
    } catch (const host::SceneFileError& error) {
        if (std::string(error.what()).empty()) return "an error without a message\n";
    } catch (const std::exception& error) {
        return std::string("an exception other than a scene file error: ") + error.what() + "\n";
    }
    return {};
}

}  // namespace brumo::fuzz
