#include "host/common/counted_object.h"

namespace brumo::host {

namespace {

struct OwnCounts {
    static constexpr int kMost = 16;
    bool active = false;
    int used = 0;
    CountedObject* objects[kMost];
    int32_t changes[kMost];
};

thread_local OwnCounts ownCounts;

}  // namespace

int32_t CountedObject::addReference() {
    if (perWorker_ && WorkerReferences::adjust(this, 1)) return 2;  // at least the worker's two
    return ++references_;
}

int32_t CountedObject::dropReference() {
    if (perWorker_ && WorkerReferences::adjust(this, -1)) return 1;  // the worker's own one is left
    return settle(-1);
}

int32_t CountedObject::settle(int32_t change) {
    const int32_t left = references_.fetch_add(change) + change;
    if (left == 0) delete this;
    return left;
}

WorkerReferences::WorkerReferences() {
    ownCounts.active = true;
    ownCounts.used = 0;
}

WorkerReferences::~WorkerReferences() {
    OwnCounts& own = ownCounts;
    // Deleting one object may drop references to others: those go to the shared counts now.
    own.active = false;
    for (int i = 0; i < own.used; ++i) own.objects[i]->settle(own.changes[i] - 1);
    own.used = 0;
}

bool WorkerReferences::adjust(CountedObject* object, int32_t change) {
    OwnCounts& own = ownCounts;
    if (!own.active) return false;
    for (int i = 0; i < own.used; ++i)
        if (own.objects[i] == object) {
            own.changes[i] += change;
            return true;
        }
    if (own.used == OwnCounts::kMost) return false;
    // The worker's one shared reference keeps the object alive until the worker settles.
    ++object->references_;
    own.objects[own.used] = object;
    own.changes[own.used] = change;
    own.used += 1;
    return true;
}

}  // namespace brumo::host
