#include "host/common/text.h"

#include <cstdio>

#include "qv/scene.h"
#include "qv/strings.h"

namespace brumo::host {

std::string textOf(const TQVString* text) {
    if (text == nullptr || text->byteLength <= 0) return std::string();
    return std::string(text->text(), static_cast<size_t>(text->byteLength));
}

void setText(TQVString* text, const std::string& value) {
    if (text == nullptr) return;
    text->setText(value.data(), static_cast<int32_t>(value.size()));
}

// Inline storage, so asking a name costs the memory service nothing.
std::string objectName(IQVSceneObject* object) {
    if (object == nullptr) return std::string();
    TQVFixedString<1023> name;
    object->objectName(&name);
    return textOf(&name);
}

std::string shaderName(IQVShaderObject* shader) {
    if (shader == nullptr) return std::string();
    TQVFixedString<1023> name;
    shader->shaderObjectName(&name);
    return textOf(&name);
}

std::string resultCodeText(QVResult code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

}  // namespace brumo::host
