// Reading and writing a component's parameter block through the field table: the host's only
// knowledge of the layout is each field's name, offset and type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "brumo/parameter_fields.h"

namespace brumo::host {

// A value for one field, checked against the field's type when the scene was read. Numeric
// fields (float, int, bit set, flag, vector) may change over the frames: `to` then holds the
// value at the scene's last frame and `from` the value at its first.
struct FieldValue {
    const FieldInfo* field = nullptr;
    std::string path;  // where the value stands in the scene file
    std::vector<double> from;
    std::vector<double> to;  // empty unless animated
    std::string text;        // strings and four-character codes
    std::vector<ColourKey> gradient;
    std::vector<FalloffPair> pairs;

    bool animated() const { return !to.empty(); }
};

// The field's name in the scene file for its type ("number", "four-character code", ...).
const char* fieldTypeName(FieldType type);
// Bytes the field takes in the block.
uint32_t fieldSize(FieldType type);

// Writes the value into the block, numeric values interpolated at `t` in [0, 1] between `from`
// and `to`.
void writeField(void* block, const FieldValue& value, double t);

// Copies one field from one block to another of the same class: strings and gradients through
// their own operations, the component list not at all (the host refills it).
void copyField(void* target, const void* source, const FieldInfo& field);

// The shortest decimal that reads back as the same float: 0.2f shows as 0.2, not 0.2000000029.
// Infinities and NaN, which JSON cannot hold, become null.
nlohmann::json floatJson(float v);

// The field's current value in the block, as a scene file would write it.
nlohmann::json readField(const void* block, const FieldInfo& field);
// The same value as a scene description holds it (never animated; writeField puts it back).
// The component list has none; a four-character code that is not printable has an empty text.
FieldValue blockValue(const void* block, const FieldInfo& field);

// "Opt2" as the 32-bit code, and back; a code of four printable characters only.
bool fourCharCodeFromText(const std::string& text, uint32_t& code);
std::string fourCharCodeText(uint32_t code);

// The field of the table by name, or null.
const FieldInfo* findField(const ParameterTable& table, const std::string& name);
std::vector<std::string> fieldNames(const ParameterTable& table);

}  // namespace brumo::host
