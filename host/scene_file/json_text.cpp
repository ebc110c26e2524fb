#include "host/scene_file/json_text.h"

#include <vector>

#include "host/scene_file/scene_file_error.h"

namespace brumo::host {

using nlohmann::json;

namespace {

// Builds the document through the library's own DOM builder while it keeps the path of the
// value being read, so that a failure (a number that overflows a double) can say where.
class PathTrackingBuilder {
public:
    explicit PathTrackingBuilder(json& result) : dom_(result, false) {}

    bool null() { return value() && dom_.null(); }
    bool boolean(bool v) { return value() && dom_.boolean(v); }
    bool number_integer(json::number_integer_t v) { return value() && dom_.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return value() && dom_.number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& s) { return value() && dom_.number_float(v, s); }
    bool string(json::string_t& v) { return value() && dom_.string(v); }
    bool binary(json::binary_t& v) { return value() && dom_.binary(v); }
    bool start_object(std::size_t n) {
        value();
        frames_.push_back({true, -1, {}});
        return dom_.start_object(n);
    }
    bool key(json::string_t& k) {
        frames_.back().key = k;
        return dom_.key(k);
    }
    bool end_object() {
        frames_.pop_back();
        return dom_.end_object();
    }
    bool start_array(std::size_t n) {
        value();
        frames_.push_back({false, -1, {}});
        return dom_.start_array(n);
    }
    bool end_array() {
        frames_.pop_back();
        return dom_.end_array();
    }
    bool parse_error(std::size_t position, const std::string&, const json::exception& error) {
        position_ = position;
        problem_ = error.what();
        problemId_ = error.id;
        // An overflowing number fails before it is a value: in a list, it is the next one.
        if (error.id == 406) value();
        return false;
    }

    std::string path() const {
        std::string text;
        for (const Frame& frame : frames_) {
            if (frame.object) {
                if (!frame.key.empty()) text += (text.empty() ? "" : ".") + frame.key;
            } else if (frame.index >= 0) {
                text += "[" + std::to_string(frame.index) + "]";
            }
        }
        return text;
    }
    const std::string& problem() const { return problem_; }
    int problemId() const { return problemId_; }
    size_t position() const { return position_; }

private:
    struct Frame {
        bool object;
        long index;
        std::string key;
    };

    // A new value in an array moves the array's index on.
    bool value() {
        if (!frames_.empty() && !frames_.back().object) ++frames_.back().index;
        return true;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    std::vector<Frame> frames_;
    std::string problem_;
    int problemId_ = 0;
    size_t position_ = 0;
};

size_t lineOf(const std::string& text, size_t offset) {
    size_t line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}

}  // namespace

json parseJsonText(const std::string& text, const std::string& file) {
    json document;
    PathTrackingBuilder builder(document);
    // The parser reports every failure, overflow included, to the builder instead of throwing.
    if (json::sax_parse(text, &builder, json::input_format_t::json, true)) return document;
    std::string what = builder.problem();
    // "[json.exception.parse_error.101] parse error at line 3, column 5: ..." loses its tag.
    const size_t tagEnd = what.find("] ");
    if (tagEnd != std::string::npos) what = what.substr(tagEnd + 2);
    if (builder.problemId() == 406)
        throw SceneFileError(file, builder.path(),
                             "line " + std::to_string(lineOf(text, builder.position())) +
                                 ": expected a number of at most about 1.8e308, found " +
                                 what.substr(what.find('\'')));
    // A syntax error names its line and column; the path would name the key before it.
    throw SceneFileError(file, "", "not valid JSON: " + what);
}

}  // namespace brumo::host
