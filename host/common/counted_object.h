// The reference count of every host object, and the counts a job's worker thread keeps to itself.
//
// Render threads take and drop references to the scene and its lights on every segment. Atomic
// updates of one count from two cores pass its cache line back and forth each time, so objects
// that outlive any job (the scene, its lights) let a worker count on its own: its first
// reference takes one shared reference, the rest change a count of the worker's own, and when
// the worker ends the difference is settled with the shared count (and the object deleted if no
// reference is left).
#pragma once

#include <atomic>
#include <cstdint>

namespace brumo::host {

class CountedObject {
public:
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    int32_t addReference();
    // Deletes the object when the last reference goes.
    int32_t dropReference();
    // The shared count; a worker's own references are in it only once the worker has ended.
    int32_t referenceCount() const { return references_.load(); }

protected:
    CountedObject() = default;
    virtual ~CountedObject() = default;
    // For objects that live longer than any job the workers read them in.
    void countPerWorker() { perWorker_ = true; }

private:
    friend class WorkerReferences;
    // Adds change to the shared count, deleting the object when none is left.
    int32_t settle(int32_t change);

    std::atomic<int32_t> references_{1};
    bool perWorker_ = false;
};

// While one lives, the calling thread counts its references to per-worker objects on its own
// (up to a few objects; more go through the shared count). Scopes do not nest.
class WorkerReferences {
public:
    WorkerReferences();
    ~WorkerReferences();
    WorkerReferences(const WorkerReferences&) = delete;
    WorkerReferences& operator=(const WorkerReferences&) = delete;

    // Changes the calling thread's own count of object; false when it keeps none.
    static bool adjust(CountedObject* object, int32_t change);
};

}  // namespace brumo::host
