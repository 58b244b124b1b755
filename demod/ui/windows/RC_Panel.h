#pragma once
// The "CPU usage" meter: a caption and a read-only percentage that the audio thread refreshes
// after each block from the time the block took and the blocks per second.

#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <cstdint>

class RC_Panel : public RC_Window {
public:
    RC_Panel(RC_Window* parent, int x, int y, int width, int height, int valueWidth, const char* caption);

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
    std::uint64_t start_ = 0;
};
