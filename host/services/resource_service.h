// The host's resource service: the module's numbered texts (string list 300), readable only
// while the module's own resource context (family "prim", identifier "Fire") is current.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_set>

#include "host/common/host_object.h"
#include "brumo/resource_texts.h"
#include "qv/services.h"

namespace brumo::host {

class ResourceService final : public HostObject<IQVResourceService> {
public:
    ResourceService();
    // The texts a new service holds: 2 the shadow caption, 3 to 6 the built-in noise patterns
    // (noiseType 1 to 4), 8 "none chosen".
    static const std::map<int32_t, std::string>& defaultModuleStrings();

    void QV_CALL slot4() override {}
    // Outside the module's context, or for an unknown list or number, the text is left as it
    // was: a module that forgets to push its context reads nothing.
    void QV_CALL loadString(TQVString* text, int32_t list, int32_t number) override;
    void QV_CALL slot6() override {}
    void QV_CALL slot7() override {}
    void QV_CALL pushResourceContext(uint32_t family, uint32_t identifier,
                                     QVResourceContext* saved) override;
    void QV_CALL popResourceContext(QVResourceContext saved) override;

    // Text n of the module's string list; empty when there is none.
    std::string moduleString(int32_t number) const;
    void setModuleString(int32_t number, const std::string& text);

    // Contexts pushed and not yet popped, over all threads.
    int32_t openContexts() const { return openContexts_.load(); }
    uint64_t loadsServed() const { return loadsServed_.load(); }
    // Loads outside the module's context or of unknown texts.
    uint64_t loadsRefused() const { return loadsRefused_.load(); }
    uint64_t invalidPops() const { return invalidPops_.load(); }
    // The calling thread's current context.
    static uint32_t currentFamily();
    static uint32_t currentIdentifier();

private:
    ~ResourceService() override;

    mutable std::mutex mutex_;
    std::map<int32_t, std::string> moduleStrings_;
    std::unordered_set<void*> openRecords_;  // saved contexts handed out, not yet popped
    std::atomic<int32_t> openContexts_{0};
    std::atomic<uint64_t> loadsServed_{0};
    std::atomic<uint64_t> loadsRefused_{0};
    std::atomic<uint64_t> invalidPops_{0};
};

}  // namespace brumo::host
