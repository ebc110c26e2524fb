#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "commands.h"

namespace brumo::cli {

namespace {

std::string shortNumber(double v) {
    std::ostringstream text;
    text << v;
    return text.str();
}

}  // namespace

CLI::Validator wholeNumberIn(long low, long high) {
    const std::string expected =
        "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            errno = 0;
            char* end = nullptr;
            const long v = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || errno != 0 || v < low || v > high)
                return expected + ", found \"" + text + "\"";
            return {};
        },
        "INT in " + std::to_string(low) + ".." + std::to_string(high));
}

CLI::Validator numberAtLeast(double low, bool lowOutside) {
    const std::string expected =
        std::string("expected a number ") + (lowOutside ? "above " : "of at least ") + shortNumber(low);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(v) || v < low || (lowOutside && v == low))
                return expected + ", found \"" + text + "\"";
            return {};
        },
        std::string("NUMBER ") + (lowOutside ? "> " : ">= ") + shortNumber(low));
}

}  // namespace brumo::cli
