#include "host/scene/hazard.h"

#include <thread>

namespace brumo::host {

// Enough for every render thread of a machine; a thread beyond them takes the slow path.
class HazardSlots {
public:
    static constexpr int kCount = 64;

    static HazardSlot& at(int index) { return slots()[index].slot; }

    static HazardSlot* claim() {
        for (int i = 0; i < kCount; ++i) {
            bool expected = false;
            if (at(i).taken_.compare_exchange_strong(expected, true, std::memory_order_acq_rel))
                return &at(i);
        }
        return nullptr;
    }
    static void give(HazardSlot* slot) {
        slot->clear();
        slot->taken_.store(false, std::memory_order_release);
    }

private:
    struct alignas(64) Padded {
        HazardSlot slot;
    };
    static Padded* slots() {
        static Padded all[kCount];
        return all;
    }
};

namespace {

// The thread's slot, handed back when the thread ends.
struct ThreadSlot {
    HazardSlot* slot = HazardSlots::claim();
    ~ThreadSlot() {
        if (slot != nullptr) HazardSlots::give(slot);
    }
};

}  // namespace

HazardSlot* HazardSlot::mine() {
    thread_local ThreadSlot own;
    return own.slot;
}

void HazardSlot::waitUntilUnused(const void* retired) {
    if (retired == nullptr) return;
    for (int i = 0; i < HazardSlots::kCount; ++i)
        while (HazardSlots::at(i).held_.load(std::memory_order_seq_cst) == retired) std::this_thread::yield();
}

}  // namespace brumo::host
