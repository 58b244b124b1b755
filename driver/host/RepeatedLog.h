#pragma once
// Log lines that a caller can make the host repeat (refusals, running out of descriptors): each
// kind of line is written a few times within a window, and what is held back beyond that is told
// as one count when the window ends, so no caller can fill the log or spend the host's time on it.
// Any thread may write; the window follows the active clock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace lxq::host {

class RepeatedLog {
public:
    static constexpr std::size_t kLinesPerWindow = 3;
    static constexpr std::int64_t kWindowMs = 10'000;

    // Where the lines go: standard error unless a test says otherwise.
    using Sink = std::function<void(const std::string& line)>;
    explicit RepeatedLog(Sink sink = {});

    // Writes `line` unless lines of this kind were written often enough in this window.
    void Write(const std::string& kind, const std::string& line);

private:
    struct Kind {
        std::int64_t windowStartMs = 0;
        std::size_t written = 0;
        std::size_t heldBack = 0;
    };
    static constexpr std::size_t kMaxKinds = 64;

    void Emit(const std::string& line);

    Sink sink_;
    std::mutex mutex_;
    std::map<std::string, Kind> kinds_;
};

} // namespace lxq::host
