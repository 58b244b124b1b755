#include "demod/ui/DemodInstances.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/ui/DemodWindow.h"

#include <vector>

namespace {

DemodWindow** list = nullptr;
std::uint32_t count = 0;

// A notification that came while an instance was being built, with a copy of its data.
struct Held {
    std::uint32_t receiver, code, dwParam;
    bool hasData;
    std::vector<unsigned char> data;
};
bool starting = false;
std::uint32_t startingReceiver = 0;
std::vector<Held> held;

} // namespace

namespace DemodInstances {

bool Add(DemodWindow* window) {
    auto* grown = static_cast<DemodWindow**>(RC_Realloc(list, (count + 1) * sizeof(DemodWindow*)));
    if (grown == nullptr) return false;
    list = grown;
    list[count++] = window;
    return true;
}

void DestroyAll() {
    // Each destructor removes its own entry.
    while (count != 0) delete list[count - 1];
}

void Remove(DemodWindow* window) {
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        if (list[i] != window) list[kept++] = list[i];
    count = kept;
    if (count == 0 && list != nullptr) {
        RC_Free(list);
        list = nullptr;
    }
}

void BeginStart(std::uint32_t receiver) {
    starting = true;
    startingReceiver = receiver;
    held.clear();
}

void AbandonStart() {
    starting = false;
    held.clear();
}

bool FinishStart(DemodWindow* window) {
    starting = false;
    std::vector<Held> pending;
    pending.swap(held);
    if (!Add(window)) return false;
    for (Held& h : pending)
        Dispatch(h.receiver, h.code, h.dwParam, static_cast<std::uint32_t>(h.data.size()),
                 h.hasData ? h.data.data() : nullptr);
    return true;
}

std::uint32_t Count() { return count; }
bool Allocated() { return list != nullptr; }

void Dispatch(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData, void* lpData) {
    // A code no instance acts on would only find its receiver's instance and stop there.
    if (!DemodWindow::Handles(code)) return;
    if (starting && receiver == startingReceiver) {
        const auto* bytes = static_cast<const unsigned char*>(lpData);
        held.push_back({receiver, code, dwParam, lpData != nullptr,
                        lpData != nullptr ? std::vector<unsigned char>(bytes, bytes + cbData)
                                          : std::vector<unsigned char>(cbData)});
        return;
    }
    // An instance may close itself while it handles the code, so the list is read afresh each step.
    for (std::uint32_t i = count; i > 0; --i) {
        if (i > count) continue;
        if (list[i - 1]->Notify(receiver, code, dwParam, cbData, lpData) != 0) return;
    }
}

} // namespace DemodInstances
