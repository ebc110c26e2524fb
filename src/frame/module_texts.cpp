#include "frame/module_texts.h"

#include "frame/module_state.h"
#include "qv/fourcc.h"
#include "qv/strings.h"

namespace brumo {

namespace {

constexpr int32_t kModuleStringList = 300;

}  // namespace

ModuleResourceScope::ModuleResourceScope() : resources_(resourceService()), saved_(nullptr) {
    if (resources_ != nullptr)
        resources_->pushResourceContext(qv::fourcc("prim"), qv::fourcc("Fire"), &saved_);
}

ModuleResourceScope::~ModuleResourceScope() {
    if (resources_ != nullptr) resources_->popResourceContext(saved_);
}

void ModuleResourceScope::loadText(int32_t number, TQVString& text) const {
    if (resources_ != nullptr) resources_->loadString(&text, kModuleStringList, number);
}

void loadResourceText(TQVString& text, int32_t number) {
    ModuleResourceScope scope;
    scope.loadText(number, text);
}

int32_t builtInPatternText(int32_t k) {
    switch (k) {
        case 1: return 3;
        case 2: return 4;
        case 3: return 5;
        case 4: return 6;
        case 5: return 8;
        default: return 0;
    }
}

void builtInPatternName(int32_t k, TQVString& text) {
    text.setText(nullptr);
    const int32_t number = builtInPatternText(k);
    if (number == 0) return;
    loadResourceText(text, number);
}

}  // namespace brumo
