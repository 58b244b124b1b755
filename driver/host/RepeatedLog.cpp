#include "driver/host/RepeatedLog.h"

#include "platform/sys/Clock.h"

#include <cstdio>

namespace lxq::host {

RepeatedLog::RepeatedLog(Sink sink) : sink_(std::move(sink)) {}

void RepeatedLog::Emit(const std::string& line) {
    if (sink_) sink_(line);
    else std::fprintf(stderr, "%s\n", line.c_str());
}

void RepeatedLog::Write(const std::string& kind, const std::string& line) {
    const std::int64_t now = plat::sys::ActiveClock().NowMs();
    std::string summary;
    bool write = false;
    {
        std::lock_guard lock(mutex_);
        if (kinds_.size() >= kMaxKinds && kinds_.find(kind) == kinds_.end()) {
            // Kinds come from the host's own texts, so this is rare: forget the quiet ones.
            std::erase_if(kinds_, [now](const auto& entry) {
                return now - entry.second.windowStartMs >= kWindowMs && entry.second.heldBack == 0;
            });
        }
        Kind& state = kinds_[kind];
        if (state.written == 0 || now - state.windowStartMs >= kWindowMs) {
            if (state.heldBack != 0)
                summary = "lxq745d: " + std::to_string(state.heldBack) + " more like \"" + kind + "\" not written";
            state = Kind{now, 0, 0};
        }
        if (state.written < kLinesPerWindow) {
            ++state.written;
            write = true;
        } else {
            ++state.heldBack;
        }
    }
    if (!summary.empty()) Emit(summary);
    if (write) Emit(line);
}

} // namespace lxq::host
