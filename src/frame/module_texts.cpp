#include "frame/module_texts.h"

#include "brumo/resource_texts.h"
#include "frame/module_state.h"
#include "qv/strings.h"

namespace brumo {

ModuleResourceScope::ModuleResourceScope() : resources_(resourceService()), saved_(nullptr) {
    if (resources_ != nullptr)
        resources_->pushResourceContext(kResourceFamily, kResourceIdentifier, &saved_);
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
        case 1: return kTextSpectralNoise;
        case 2: return kTextTurbulence;
        case 3: return kTextRidgedNoise;
        case 4: return kTextFractalNoise;
        case 5: return kTextNone;
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
