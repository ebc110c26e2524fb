// Moving text between the SDK's string objects and the host's std::string.
#pragma once

#include <string>

#include "qv/platform.h"

class TQVString;
struct IQVSceneObject;
struct IQVShaderObject;

namespace brumo::host {

// The text of an SDK string; empty for null.
std::string textOf(const TQVString* text);
// Replaces the text of an SDK string (cut at the capacity of fixed strings).
void setText(TQVString* text, const std::string& value);

// The names objects report for themselves.
std::string objectName(IQVSceneObject* object);
std::string shaderName(IQVShaderObject* shader);

// A result code as messages show it: "0x80010080".
std::string resultCodeText(QVResult code);

}  // namespace brumo::host
