#pragma once
// The "Demodulator settings" group of one mode's setup page: a group frame that knows its mode
// index and paints the captions of the number fields' rows at its left.

#include "demod/ui/toolkit/RC_GroupFrame.h"

#include <vector>

class ModeSettingsGroup : public RC_GroupFrame {
public:
    // What a row of the group edits.
    enum Row : int { kPostMixer, kAudioGain, kAudioLength, kHilbert, kCwTone, kSagcReference, kNoiseSquelch };
    static constexpr int kFirstRowY = 16;
    static constexpr int kRowPitch = 22;

    ModeSettingsGroup(RC_Window* parent, int modeIndex);

    // The rows of a mode index, top to bottom.
    static std::vector<Row> RowsOf(int modeIndex);
    static const char* CaptionOf(Row row);

    int ModeIndex() const { return modeIndex_; }
    void PaintContent() override;

private:
    int modeIndex_;
};
