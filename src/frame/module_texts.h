// The module's own texts (string list 300), read under its resource context (family "prim",
// identifier "Fire"): default names in parameter blocks, the progress bar's title, and the
// editor parts' names of the built-in noise patterns.
#pragma once

#include <cstdint>

#include "qv/services.h"

class TQVString;

namespace brumo {

// Keeps the module's resource context current for its lifetime; the context is restored also
// when the work inside it raises. Without a resource service it does nothing.
class ModuleResourceScope {
public:
    ModuleResourceScope();
    ~ModuleResourceScope();
    ModuleResourceScope(const ModuleResourceScope&) = delete;
    ModuleResourceScope& operator=(const ModuleResourceScope&) = delete;

    // Text `number` of string list 300 into text (left as it is when the host has none).
    void loadText(int32_t number, TQVString& text) const;

private:
    IQVResourceService* resources_;
    QVResourceContext saved_;
};

// Text `number` into text under a scope of its own. Without a resource service, or when the
// host has no such text, text keeps what it held.
void loadResourceText(TQVString& text, int32_t number);

// Resource text of built-in pattern k: k = 1 to 4 are the noise patterns (texts 3 to 6), 5 is
// "none chosen" (text 8). Any other k leaves the text empty.
int32_t builtInPatternText(int32_t k);

// The name of built-in pattern k into text, read under a scope of its own.
void builtInPatternName(int32_t k, TQVString& text);

}  // namespace brumo
