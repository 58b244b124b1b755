#pragma once
// The demodulator's audio filter as a widget: it owns the FIR filter that the audio thread runs
// over the demodulated audio, designs its taps (with an optional de-emphasis slope, by frequency
// sampling), and shows its response and the audio spectrum through RC_Analyzer.

#include "demod/dsp/RC_FirFilter16.h"
#include "demod/ui/windows/RC_Analyzer.h"

class RC_FilterView : public RC_Analyzer {
public:
    static constexpr std::uint32_t kFftSize = 512;

    RC_FilterView(RC_Window* parent, int x, int y, int width, int height);
    ~RC_FilterView() override;

    void SetFftSize(std::uint32_t n) override;
    void ReadTaps32(std::int32_t* buffer) override;
    void ReadTaps16(std::int16_t* buffer) override;

    void SetLength(std::uint32_t taps);
    void SetHighCutoff(float hertz);
    void SetLowCutoff(float hertz);
    void SetType(int type);
    // Designs the taps again with this slope in dB per octave (0: the filter's own design).
    void SetDeemphasis(double dbPerOctave);

    RC_FirFilter16& Filter() { return filter_; }

protected:
    std::uint32_t FilterBlock(std::int16_t* output, const std::int16_t* input, std::uint32_t count,
                              std::uint32_t stride) override;
    void ApplyHighCutoff(float hertz) override { SetHighCutoff(hertz); }
    void ApplyLowCutoff(float hertz) override { SetLowCutoff(hertz); }

private:
    RC_FirFilter16 filter_;
    std::uint32_t cosineLength_ = 0;
};
