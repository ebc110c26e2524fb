#include "host/services/resource_service.h"

#include "host/common/text.h"

namespace brumo::host {

namespace {

struct Context {
    uint32_t family = 0;
    uint32_t identifier = 0;
};

// Render threads push and pop on their own, so the current context is per thread.
Context& currentContext() {
    static thread_local Context context;
    return context;
}

// What a push hands out: the context to restore.
struct SavedContext {
    Context previous;
};

}  // namespace

const std::map<int32_t, std::string>& ResourceService::defaultModuleStrings() {
    static const std::map<int32_t, std::string> texts{
        {kTextComputingShadows, "Computing shadows"}, {kTextSpectralNoise, "Spectral noise"},
        {kTextTurbulence, "Turbulence"},             {kTextRidgedNoise, "Ridged noise"},
        {kTextFractalNoise, "Fractal noise"},        {kTextNone, "None"}};
    return texts;
}

ResourceService::ResourceService() : moduleStrings_(defaultModuleStrings()) {}

ResourceService::~ResourceService() {
    for (void* record : openRecords_) delete static_cast<SavedContext*>(record);
}

uint32_t ResourceService::currentFamily() { return currentContext().family; }
uint32_t ResourceService::currentIdentifier() { return currentContext().identifier; }

void QV_CALL ResourceService::loadString(TQVString* text, int32_t list, int32_t number) {
    const Context& context = currentContext();
    std::string found;
    bool known = false;
    if (context.family == kResourceFamily && context.identifier == kResourceIdentifier &&
        list == kModuleStringList) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto entry = moduleStrings_.find(number);
        if (entry != moduleStrings_.end()) {
            found = entry->second;
            known = true;
        }
    }
    if (!known || text == nullptr) {
        ++loadsRefused_;
        return;
    }
    setText(text, found);
    ++loadsServed_;
}

void QV_CALL ResourceService::pushResourceContext(uint32_t family, uint32_t identifier,
                                                  QVResourceContext* saved) {
    // Without a place to keep the old context it could never be restored: change nothing.
    if (saved == nullptr) return;
    Context& context = currentContext();
    auto* record = new SavedContext{context};
    {
        std::lock_guard<std::mutex> guard(mutex_);
        openRecords_.insert(record);
    }
    *saved = record;
    ++openContexts_;
    context.family = family;
    context.identifier = identifier;
}

void QV_CALL ResourceService::popResourceContext(QVResourceContext saved) {
    {
        // Only records we handed out are read: a stale or foreign one is refused.
        std::lock_guard<std::mutex> guard(mutex_);
        if (saved == nullptr || openRecords_.erase(saved) == 0) {
            ++invalidPops_;
            return;
        }
    }
    auto* record = static_cast<SavedContext*>(saved);
    currentContext() = record->previous;
    delete record;
    --openContexts_;
}

std::string ResourceService::moduleString(int32_t number) const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto entry = moduleStrings_.find(number);
    return entry == moduleStrings_.end() ? std::string() : entry->second;
}

void ResourceService::setModuleString(int32_t number, const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    moduleStrings_[number] = text;
}

}  // namespace brumo::host
