#include "crashreport/base/TmyProfiler.h"

namespace errvane {

TmyProfiler::TmyProfiler() { RegisterType(kTypeProfiler); }

TmyProfiler::~TmyProfiler() {
    const double running = static_cast<double>(clock_.ElapsedMs()) / 1000.0;
    // No per-thread cycle counters exist here: the report gives seconds.
    Trace(0, "Profiler report [running %.3lfsecs]", running);
    Trace(0, "----------------");
    for (const Slot& slot : slots_) {
        if (slot.hits == 0) continue;
        const double seconds = static_cast<double>(slot.nanoseconds) / 1e9;
        Trace(0, "%.3lf%% %s, %s[%d] %d hits, [%.6lfsec] <%.3lf\xC2\xB5s/hit>",
              running > 0 ? seconds * 100.0 / running : 0.0, slot.name ? slot.name : "", slot.file ? slot.file : "",
              slot.line, static_cast<int>(slot.hits), seconds, seconds * 1e6 / slot.hits);
    }
    Trace(0, "----------------");
}

std::uint64_t TmyProfiler::Enter(int slot, const char* name, const char* file, int line) {
    if (slot >= 0 && slot < kSlots) {
        slots_[slot].name = name;
        slots_[slot].file = file;
        slots_[slot].line = line;
    }
    return TmyTimeCounter::Now();
}

void TmyProfiler::Leave(int slot, std::uint64_t started) {
    if (slot < 0 || slot >= kSlots) return;
    ++slots_[slot].hits;
    slots_[slot].nanoseconds += TmyTimeCounter::Now() - started;
}

}  // namespace errvane
