#pragma once
// The "CPU usage" meter: a caption and a read-only percentage, refreshed after each block from
// the time the block took and the blocks per second.
//
// Threads: the window and its fields are the user-interface thread's; `smoothing` is set before
// the first block. The audio thread calls Start, Update and UpdateElapsed: it measures, keeps the
// smoothed figure (its own), records it in an atomic and posts the panel a message unless one is
// already waiting; the user-interface thread shows the recorded figure when the message comes.

#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <atomic>
#include <cstdint>

class RC_Panel : public RC_Window {
public:
    // Posted by the audio thread: the recorded figure is due to be shown.
    static constexpr std::uint32_t kMsgShowLoad = 0x8001;

    RC_Panel(RC_Window* parent, int x, int y, int width, int height, int valueWidth, const char* caption);

    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;
    void PaintContent() override;

    // As a block begins.
    void Start();
    // After it: the block's share of real time at this many blocks per second.
    void Update(double blocksPerSecond);
    // The same with the elapsed ticks and the tick rate given.
    void UpdateElapsed(std::int64_t ticks, std::uint64_t ticksPerSecond, double blocksPerSecond);

    RC_NumberEdit& ValueField() { return *value_; }
    double smoothing = 0.0;

private:
    RC_Label* label_;
    RC_NumberEdit* value_;
    // The audio thread's.
    std::uint64_t start_ = 0;
    double load_ = 0.0; // the smoothed figure, in per cent
    // From the audio thread to the user-interface thread.
    std::atomic<double> recorded_{0.0};
    std::atomic<bool> posted_{false};
};
