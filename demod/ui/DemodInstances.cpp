#include "demod/ui/DemodInstances.h"

#include "demod/dsp/RC_Heap.h"
#include "demod/ui/DemodWindow.h"

namespace {

DemodWindow** list = nullptr;
std::uint32_t count = 0;

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

std::uint32_t Count() { return count; }
bool Allocated() { return list != nullptr; }

void Dispatch(std::uint32_t receiver, std::uint32_t code, std::uint32_t dwParam, std::uint32_t cbData, void* lpData) {
    // A code no instance acts on would only find its receiver's instance and stop there.
    if (!DemodWindow::Handles(code)) return;
    // An instance may close itself while it handles the code, so the list is read afresh each step.
    for (std::uint32_t i = count; i > 0; --i) {
        if (i > count) continue;
        if (list[i - 1]->Notify(receiver, code, dwParam, cbData, lpData) != 0) return;
    }
}

} // namespace DemodInstances
