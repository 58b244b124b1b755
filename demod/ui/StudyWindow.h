#pragma once
// A look inside the running demodulator: the current mode's block diagram with clickable probe
// points, the signals at two chosen probes (red and blue) in two spectrum panels, their level and
// phase difference at a test frequency, and on request the distortion and SINAD of the output.
// The demodulator window's audio path hands it each block; the figures reach the fields on the
// user-interface thread.

#include "demod/ui/DemodSettings.h"
#include "demod/ui/StudyMeasure.h"
#include "demod/ui/toolkit/RC_Popup.h"

#include <atomic>
#include <cstdint>

class DemodWindow;
class RC_Graph;
class RC_NumberEdit;

class StudyWindow : public RC_Popup {
public:
    static constexpr int kProbeCount = 21;
    static constexpr int kCapture = 1024;
    // Posted by the audio path: the kept figures are due to be shown.
    static constexpr std::uint32_t kMsgShowFigures = 0x8005;

    struct ProbePosition {
        int x, y;
    };
    static constexpr ProbePosition kProbes[kProbeCount] = {
        {42, 155},  {42, 16},   {42, 82},   {0, 0},     {0, 0},     {0, 0},     {0, 0},
        {0, 0},     {0, 0},     {321, 82},  {375, 16},  {375, 155}, {437, 16},  {437, 155},
        {511, 155}, {511, 16},  {0, 0},     {0, 0},     {584, 84},  {577, 155}, {577, 16},
    };

    StudyWindow(DemodWindow* owner, DemodSettings& settings);
    ~StudyWindow() override;

    // The current mode's title, probes and graph rates again (mode or rate changed).
    void Refresh();
    // Audio thread: one block's input (values) and its stereo output (values, interleaved).
    void OnAudioBlock(const std::int16_t* input, std::uint32_t inputCount, const std::int16_t* output,
                      std::uint32_t outputCount);

    // The probes the current mode offers, one bit each.
    std::uint32_t OfferedProbes() const;
    static std::uint32_t OfferedProbes(int modeIndex);
    // The probe whose marker square holds the point (window coordinates); -1 when none.
    int ProbeAt(int x, int y) const;
    // A graph's rate and block size for a probe, at the sound-card rate and the demodulator's factors.
    struct Rate {
        double rate;
        std::uint32_t count;
    };
    Rate RateOf(int probe) const;
    // The rate the demodulator plays at (the output probes' rate).
    double OutputRate() const;

    int RedProbe() const { return red_.load(); }
    int BlueProbe() const { return blue_.load(); }
    int HoveredProbe() const { return hover_; }
    double LevelKept() const { return level_; }
    double PhaseKept() const { return phase_; }
    double ThdKept() const { return thd_; }
    double SinadKept() const { return sinad_; }
    RC_Graph* RedGraph() const { return graphs_[0]; }
    RC_Graph* BlueGraph() const { return graphs_[1]; }
    RC_NumberEdit* LevelField() const { return levelField_; }
    RC_NumberEdit* PhaseField() const { return phaseField_; }
    RC_NumberEdit* TestFrequencyField() const { return testField_; }
    RC_NumberEdit* ThdField() const { return thdField_; }
    RC_NumberEdit* SinadField() const { return sinadField_; }
    RC_Button* ThdButton() const { return thdButton_; }
    RC_Button* SinadButton() const { return sinadButton_; }
    RC_Button* HelpButton() const { return helpButton_; }
    const std::int16_t* CaptureOf(int panel) const { return capture_[panel]; }

    plat::win::LResult HandleMessage(std::uint32_t msg, plat::win::WParam wParam, plat::win::LParam lParam) override;
    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

private:
    int ModeIndex() const;
    void SetGraphRates();
    void SetBlue(int probe);
    // While THD or SINAD runs, blue listens to the output.
    void ForceBlueToOutput();
    // The samples captured (the rest of the buffer is zero).
    std::uint32_t Capture(int probe, std::int16_t* into, const std::int16_t* input, std::uint32_t inputCount,
                          const std::int16_t* output, std::uint32_t outputCount);
    void Measure(const std::int16_t* output, std::uint32_t outputCount);
    void DrawDiagram();
    static void ToggleChanged(void* user, RC_Window* button);
    static void HelpPressed(void* user, RC_Window* button);
    static void MarkerDragged(void* user, RC_Graph* graph, int index);
    static void TestFrequencyChanged(void* user, RC_NumberEdit* field, double value);

    DemodWindow* owner_;
    DemodSettings& settings_;
    std::atomic<int> red_{2};
    std::atomic<int> blue_{2};
    int hover_ = -1;
    std::int16_t capture_[2][kCapture] = {};
    std::uint32_t captured_[2] = {};
    RC_Graph* graphs_[2] = {};
    RC_NumberEdit* levelField_ = nullptr;
    RC_NumberEdit* phaseField_ = nullptr;
    RC_NumberEdit* testField_ = nullptr;
    RC_NumberEdit* thdField_ = nullptr;
    RC_NumberEdit* sinadField_ = nullptr;
    RC_Button* thdButton_ = nullptr;
    RC_Button* sinadButton_ = nullptr;
    RC_Button* helpButton_ = nullptr;
    std::atomic<bool> thdOn_{false};
    std::atomic<bool> sinadOn_{false};
    std::atomic<double> testFrequency_{1000.0};
    std::atomic<double> soundRate_{48000.0};
    double level_ = 0.0, phase_ = 0.0, thd_ = 0.0, sinad_ = 0.0;
    std::atomic<double> shown_[4] = {};
    std::uint32_t blocks_ = 0;
    study::Sinad sinadMeter_;
};
