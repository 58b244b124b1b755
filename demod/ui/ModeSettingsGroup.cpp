#include "demod/ui/ModeSettingsGroup.h"

#include "demod/dsp/RC_Colour.h"
#include "demod/ui/ModeTable.h"

ModeSettingsGroup::ModeSettingsGroup(RC_Window* parent, int modeIndex)
    : RC_GroupFrame(parent, 4, 4, 214, 100, "Demodulator settings"), modeIndex_(modeIndex) {}

std::vector<ModeSettingsGroup::Row> ModeSettingsGroup::RowsOf(int m) {
    std::vector<Row> rows;
    if (m != kModeFmw) rows.push_back(kPostMixer);
    rows.push_back(kAudioGain);
    rows.push_back(kAudioLength);
    if (m == kModeIsb) rows.push_back(kHilbert);
    if (m == kModeCw) rows.push_back(kCwTone);
    if (m < kModeFm6) rows.push_back(kSagcReference);
    rows.push_back(kNoiseSquelch);
    return rows;
}

const char* ModeSettingsGroup::CaptionOf(Row row) {
    switch (row) {
    case kPostMixer: return "Post-mixer filter length";
    case kAudioGain: return "Audio gain";
    case kAudioLength: return "Audio filter length";
    case kHilbert: return "Hilbert filter length";
    case kCwTone: return "CW tone frequency";
    case kSagcReference: return "SAGC reference level";
    case kNoiseSquelch: return "Noise squelch filter length";
    }
    return "";
}

void ModeSettingsGroup::PaintContent() {
    RC_GroupFrame::PaintContent();
    // The labels' own colour, dimmed like a disabled label's.
    constexpr RC_Colour kText = 0x00FFFF;
    SetTextColour(EnabledChain() ? kText : RC_BlendColour(kText, BackgroundColour(), 2, 1));
    SetBackgroundModeOfContext(1);
    int y = kFirstRowY;
    for (Row row : RowsOf(modeIndex_)) {
        DrawTextAligned({4, y, 133, y + 20}, CaptionOf(row), 4);
        y += kRowPitch;
    }
}
