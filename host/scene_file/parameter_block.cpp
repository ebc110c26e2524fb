#include "host/scene_file/parameter_block.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brumo/parameter_blocks.h"

namespace brumo::host {

namespace {

template <class T>
T* at(void* block, const FieldInfo& field) {
    return reinterpret_cast<T*>(static_cast<char*>(block) + field.offset);
}
template <class T>
const T* at(const void* block, const FieldInfo& field) {
    return reinterpret_cast<const T*>(static_cast<const char*>(block) + field.offset);
}

double interpolate(const FieldValue& value, size_t i, double t) {
    if (!value.animated()) return value.from[i];
    return value.from[i] + (value.to[i] - value.from[i]) * t;
}

int64_t nearestInteger(double v) { return int64_t(std::llround(v)); }

}  // namespace

nlohmann::json floatJson(float v) {
    if (!std::isfinite(v)) return nullptr;
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, double(v));
        if (std::strtof(text, nullptr) == v) break;
    }
    return std::strtod(text, nullptr);
}

const char* fieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::float32: return "a number";
        case FieldType::int32: return "a whole number";
        case FieldType::fourCharCode: return "a four-character code such as \"Opt1\"";
        case FieldType::bitSet32: return "a whole number from 0 to 4294967295 (a set of bits)";
        case FieldType::flag8: return "true or false";
        case FieldType::vector3: return "a vector [x, y, z]";
        case FieldType::string: return "a string";
        case FieldType::colourGradient:
            return "a list of colour keys {\"position\": p, \"colour\": [r, g, b, a]}";
        case FieldType::falloffPairs16: return "a list of at most 16 pairs [a, b]";
        case FieldType::componentList: return "modifiers, given under \"modifiers\"";
    }
    return "a value";
}

uint32_t fieldSize(FieldType type) {
    switch (type) {
        case FieldType::float32:
        case FieldType::int32:
        case FieldType::fourCharCode:
        case FieldType::bitSet32: return 4;
        case FieldType::flag8: return 1;
        case FieldType::vector3: return sizeof(Vector3);
        case FieldType::string: return sizeof(EmbeddedString);
        case FieldType::colourGradient: return sizeof(ColourGradient);
        case FieldType::falloffPairs16: return sizeof(FalloffPair) * 16;
        case FieldType::componentList: return sizeof(QVClassArray<IQVUnknown*>);
    }
    return 0;
}

bool fourCharCodeFromText(const std::string& text, uint32_t& code) {
    if (text.size() != 4) return false;
    code = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) return false;
        code = (code << 8) | byte;
    }
    return true;
}

std::string fourCharCodeText(uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = static_cast<unsigned char>((code >> shift) & 0xFF);
        if (byte < 0x20 || byte > 0x7E) return {};
        text += char(byte);
    }
    return text;
}

void writeField(void* block, const FieldValue& value, double t) {
    const FieldInfo& field = *value.field;
    switch (field.type) {
        case FieldType::float32:
            *at<float>(block, field) = float(interpolate(value, 0, t));
            break;
        case FieldType::int32:
            *at<int32_t>(block, field) = int32_t(nearestInteger(interpolate(value, 0, t)));
            break;
        case FieldType::bitSet32:
            *at<uint32_t>(block, field) = uint32_t(nearestInteger(interpolate(value, 0, t)));
            break;
        case FieldType::flag8:
            *at<uint8_t>(block, field) = interpolate(value, 0, t) >= 0.5 ? 1 : 0;
            break;
        case FieldType::vector3: {
            Vector3* v = at<Vector3>(block, field);
            v->x = float(interpolate(value, 0, t));
            v->y = float(interpolate(value, 1, t));
            v->z = float(interpolate(value, 2, t));
            break;
        }
        case FieldType::fourCharCode: {
            uint32_t code = 0;
            if (fourCharCodeFromText(value.text, code)) *at<uint32_t>(block, field) = code;
            break;
        }
        case FieldType::string:
            at<EmbeddedString>(block, field)->get().setText(value.text.c_str());
            break;
        case FieldType::colourGradient: {
            ColourGradient* gradient = at<ColourGradient>(block, field);
            gradient->clear();
            for (const ColourKey& key : value.gradient) gradient->append(key);
            break;
        }
        case FieldType::falloffPairs16: {
            FalloffPair* pairs = at<FalloffPair>(block, field);
            for (size_t i = 0; i < value.pairs.size() && i < 16; ++i) pairs[i] = value.pairs[i];
            break;
        }
        case FieldType::componentList:
            break;
    }
}

void copyField(void* target, const void* source, const FieldInfo& field) {
    switch (field.type) {
        case FieldType::string:
            at<EmbeddedString>(target, field)->get().assign(at<EmbeddedString>(source, field)->get());
            break;
        case FieldType::colourGradient:
            at<ColourGradient>(target, field)->assign(*at<ColourGradient>(source, field));
            break;
        case FieldType::componentList:
            break;
        default:
            std::memcpy(static_cast<char*>(target) + field.offset,
                        static_cast<const char*>(source) + field.offset, fieldSize(field.type));
    }
}

nlohmann::json readField(const void* block, const FieldInfo& field) {
    switch (field.type) {
        case FieldType::float32: return floatJson(*at<float>(block, field));
        case FieldType::int32: return *at<int32_t>(block, field);
        case FieldType::bitSet32: return *at<uint32_t>(block, field);
        case FieldType::flag8: return *at<uint8_t>(block, field) != 0;
        case FieldType::vector3: {
            const Vector3* v = at<Vector3>(block, field);
            return nlohmann::json::array({floatJson(v->x), floatJson(v->y), floatJson(v->z)});
        }
        case FieldType::fourCharCode: {
            const uint32_t code = *at<uint32_t>(block, field);
            const std::string text = fourCharCodeText(code);
            if (!text.empty()) return text;
            return code;
        }
        case FieldType::string: return std::string(at<EmbeddedString>(block, field)->get().text());
        case FieldType::colourGradient: {
            nlohmann::json keys = nlohmann::json::array();
            for (const ColourKey& key : *at<ColourGradient>(block, field))
                keys.push_back({{"position", floatJson(key.position)},
                                {"colour", {floatJson(key.colour.red), floatJson(key.colour.green),
                                            floatJson(key.colour.blue), floatJson(key.colour.alpha)}}});
            return keys;
        }
        case FieldType::falloffPairs16: {
            nlohmann::json pairs = nlohmann::json::array();
            const FalloffPair* p = at<FalloffPair>(block, field);
            for (int i = 0; i < 16; ++i) pairs.push_back({floatJson(p[i].a), floatJson(p[i].b)});
            return pairs;
        }
        case FieldType::componentList:
            return at<QVClassArray<IQVUnknown*>>(block, field)->count();
    }
    return nullptr;
}

FieldValue blockValue(const void* block, const FieldInfo& field) {
    FieldValue value;
    value.field = &field;
    value.path = field.name;
    switch (field.type) {
        case FieldType::float32: value.from = {double(*at<float>(block, field))}; break;
        case FieldType::int32: value.from = {double(*at<int32_t>(block, field))}; break;
        case FieldType::bitSet32: value.from = {double(*at<uint32_t>(block, field))}; break;
        case FieldType::flag8: value.from = {*at<uint8_t>(block, field) != 0 ? 1.0 : 0.0}; break;
        case FieldType::vector3: {
            const Vector3* v = at<Vector3>(block, field);
            value.from = {double(v->x), double(v->y), double(v->z)};
            break;
        }
        case FieldType::fourCharCode: value.text = fourCharCodeText(*at<uint32_t>(block, field)); break;
        case FieldType::string: value.text = at<EmbeddedString>(block, field)->get().text(); break;
        case FieldType::colourGradient:
            for (const ColourKey& key : *at<ColourGradient>(block, field)) value.gradient.push_back(key);
            break;
        case FieldType::falloffPairs16: {
            const FalloffPair* pairs = at<FalloffPair>(block, field);
            value.pairs.assign(pairs, pairs + 16);
            break;
        }
        case FieldType::componentList: break;
    }
    return value;
}

const FieldInfo* findField(const ParameterTable& table, const std::string& name) {
    for (int32_t i = 0; i < table.fieldCount; ++i)
        if (name == table.fields[i].name) return &table.fields[i];
    return nullptr;
}

std::vector<std::string> fieldNames(const ParameterTable& table) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < table.fieldCount; ++i) names.emplace_back(table.fields[i].name);
    return names;
}

}  // namespace brumo::host
