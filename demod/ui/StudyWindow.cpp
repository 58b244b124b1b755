#include "demod/ui/StudyWindow.h"

#include "demod/ui/DemodWindow.h"
#include "demod/ui/HtmlHelp.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/win/Win.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace win = plat::win;
namespace gdi = plat::gdi;

namespace {

constexpr RC_Colour kRed = 0x0000FF;
constexpr RC_Colour kBlue = 0xFF0000;
constexpr RC_Colour kGreen = 0x00FF00;
// Probes every mode offers: the input, its split and the mixer outputs.
constexpr std::uint32_t kAlwaysOffered = 0xE04;
constexpr int kDiagramX = 4, kDiagramY = 26;
constexpr int kRowY = 386;

// The diagram's signal paths between probes, and what each probe's block is called.
struct Path {
    int from, to;
};
constexpr Path kPaths[] = {{2, 9}, {9, 10}, {9, 11}, {10, 12}, {11, 13}, {12, 18}, {13, 18},
                           {12, 15}, {13, 14}, {15, 20}, {14, 19}};
constexpr const char* kProbeNames[StudyWindow::kProbeCount] = {
    "", "", "Input", "", "", "", "", "", "", "Split", "Mixer I", "Mixer Q", "Filter I", "Filter Q",
    "Hilbert", "Delay", "", "", "Output", "Left", "Right"};

RC_NumberEdit* MakeField(RC_Window* parent, int x, double minimum, double maximum, int resolution, const char* unit) {
    auto* f = new RC_NumberEdit(parent, x, kRowY, 60, 20);
    f->SetMaximum(maximum);
    f->SetMinimum(minimum);
    f->SetMaximum(maximum);
    f->SetResolution(resolution);
    f->SetUnit(unit);
    f->SetAlignment(2);
    f->Show(win::SW_SHOW);
    return f;
}

RC_Button* MakeToggle(RC_Window* parent, int x, int w, const char* caption) {
    auto* b = new RC_Button(parent, x, kRowY, w, 20, caption);
    b->SetKind(RC_Button::kToggleFlat);
    b->Show(win::SW_SHOW);
    return b;
}

} // namespace

StudyWindow::StudyWindow(DemodWindow* owner, DemodSettings& settings)
    : RC_Popup(owner, 10, 10, 636, 410, kOwnedPopup), owner_(owner), settings_(settings) {
    Font().SetFaceName("Arial");
    soundRate_ = owner_->InputRate();
    for (int panel = 0; panel < 2; ++panel) {
        auto* g = new RC_Graph(this, panel == 0 ? 4 : 320, 230, 312, 152);
        g->SetMode(1);
        g->SetTraceCount(1);
        g->SetTraceColour(0, panel == 0 ? kRed : kBlue);
        g->SetMarkerCount(1);
        g->onMarkerDragged = {&MarkerDragged, this};
        g->Show(win::SW_SHOW);
        graphs_[panel] = g;
    }
    new RC_Label(this, 28, kRowY, 48, 20, "Left/Right");
    levelField_ = MakeField(this, 78, -100, 100, -1, "dB");
    phaseField_ = MakeField(this, 140, -180, 360, 0, "deg");
    new RC_Label(this, 221, kRowY, 60, 20, "Test freq");
    testField_ = MakeField(this, 283, 400, soundRate_ / 5.0, 0, "Hz");
    testField_->SetValue(true, 1000);
    testField_->onValueChange = {&TestFrequencyChanged, this};
    thdButton_ = MakeToggle(this, 357, 42, "THD");
    thdField_ = MakeField(this, 401, 0, 100, -2, "%");
    sinadButton_ = MakeToggle(this, 460, 42, "SINAD");
    sinadField_ = MakeField(this, 504, 0, 100, -1, "dB");
    for (RC_Button* b : {thdButton_, sinadButton_}) b->onAction = {&ToggleChanged, this};
    helpButton_ = new RC_Button(this, 568, kRowY, 40, 20, "Help");
    helpButton_->onAction = {&HelpPressed, this};
    helpButton_->Show(win::SW_SHOW);
    for (RC_Window* w = FirstChild(); w != nullptr; w = w->NextSibling()) w->Show(win::SW_SHOW);
    Refresh();
}

StudyWindow::~StudyWindow() { owner_->StudyClosed(); }

int StudyWindow::ModeIndex() const { return std::clamp(owner_->ModeIndex(), 0, kModeCount - 1); }

std::uint32_t StudyWindow::OfferedProbes(int modeIndex) {
    const int button = ModeButtonOfIndex(modeIndex);
    if (button < 0 || ModeTable[button].flags == 0) return 0; // no diagram
    return ModeTable[button].flags | kAlwaysOffered;
}

std::uint32_t StudyWindow::OfferedProbes() const { return OfferedProbes(ModeIndex()); }

int StudyWindow::ProbeAt(int x, int y) const {
    const std::uint32_t offered = OfferedProbes();
    for (int p = 0; p < kProbeCount; ++p) {
        if ((offered & (1u << p)) == 0) continue;
        const int px = kProbes[p].x + kDiagramX, py = kProbes[p].y + kDiagramY;
        if (x >= px && x <= px + 5 && y >= py && y <= py + 5) return p;
    }
    return -1;
}

StudyWindow::Rate StudyWindow::RateOf(int probe) const {
    const RC_Demodulator& d = owner_->Demodulator();
    const double r = soundRate_;
    const std::uint32_t decimation = std::max(d.Decimation(), 1u);
    if (probe < 12) return {r, kCapture};
    if (probe < 18) return {r / decimation, kCapture / decimation};
    const std::uint32_t divisor = std::max(d.OutputDivisor(), 1u);
    return {r / decimation * d.Interpolation() / divisor, kCapture / decimation * d.Interpolation() / divisor / 2};
}

double StudyWindow::OutputRate() const { return RateOf(18).rate; }

void StudyWindow::Refresh() {
    const int button = ModeButtonOfIndex(ModeIndex());
    SetCaption((std::string(ModeTable[button].name) + " Demodulator Structure").c_str());
    soundRate_ = owner_->InputRate();
    const std::uint32_t offered = OfferedProbes();
    if ((offered & (1u << red_)) == 0) red_ = 2;
    if ((offered & (1u << blue_)) == 0) blue_ = 2;
    if (thdOn_ || sinadOn_) ForceBlueToOutput();
    SetGraphRates();
    Invalidate();
}

void StudyWindow::SetGraphRates() {
    const int probes[2] = {red_, blue_};
    for (int panel = 0; panel < 2; ++panel) {
        const Rate r = RateOf(probes[panel]);
        RC_Graph* g = graphs_[panel];
        g->SetSampleRate(static_cast<float>(r.rate));
        g->SetPointCount(static_cast<std::int32_t>(r.count));
        g->SetMinFrequency(0);
        g->SetMaxFrequency(r.rate / 2);
        g->SetMarker(0, settings_.studyTone, 0x00FFFF, true, true, false, true);
    }
    testField_->SetMaximum(RateOf(blue_).rate / 5.0);
}

void StudyWindow::SetBlue(int probe) {
    if ((thdOn_ || sinadOn_) && probe < 18) return;
    blue_ = probe;
}

void StudyWindow::ForceBlueToOutput() {
    if (ModeIndex() == kModeIsb) {
        if (blue_ != 19 && blue_ != 20) blue_ = 19;
    } else {
        blue_ = 18;
    }
}

void StudyWindow::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    RC_Popup::MouseEvent(kind, keys, x, y);
    const int probe = ProbeAt(x, y);
    if (probe < 0) return;
    if (kind == kLeftDown || kind == kLeftDouble) red_ = probe;
    else if (kind == kRightDown) SetBlue(probe);
    else return;
    SetGraphRates();
    Invalidate();
}

void StudyWindow::ToggleChanged(void* user, RC_Window*) {
    auto* self = static_cast<StudyWindow*>(user);
    self->thdOn_ = self->thdButton_->IsDown();
    self->sinadOn_ = self->sinadButton_->IsDown();
    if (self->thdOn_ || self->sinadOn_) {
        self->ForceBlueToOutput();
        self->SetGraphRates();
        self->Invalidate();
    }
}

void StudyWindow::HelpPressed(void*, RC_Window*) {
    ShowPluginHelp("Study.htm");
}

void StudyWindow::MarkerDragged(void* user, RC_Graph* graph, int index) {
    auto* self = static_cast<StudyWindow*>(user);
    const float x = graph->MarkerAt(index).x;
    self->settings_.studyTone = x;
    RC_Graph* other = graph == self->graphs_[0] ? self->graphs_[1] : self->graphs_[0];
    other->SetMarker(0, x, 0x00FFFF, true, true, false, true);
}

void StudyWindow::TestFrequencyChanged(void* user, RC_NumberEdit*, double value) {
    static_cast<StudyWindow*>(user)->testFrequency_ = value;
}

// --- the audio thread ---

std::uint32_t StudyWindow::Capture(int probe, std::int16_t* into, const std::int16_t* input, std::uint32_t inputCount,
                                   const std::int16_t* output, std::uint32_t outputCount) {
    std::fill(into, into + kCapture, std::int16_t{0});
    RC_Demodulator& d = owner_->Demodulator();
    const std::uint32_t block = d.BlockSize();
    std::uint32_t n = 0;
    if (probe == 2) {
        if (inputCount > 1) n = std::min<std::uint32_t>(inputCount - 1, kCapture);
        std::copy_n(input + 1, n, into);
    } else if (probe >= 9 && probe <= 11) {
        const auto* tap = static_cast<const std::int16_t*>(d.GetTapBuffer(probe - 9));
        if (tap != nullptr) n = std::min<std::uint32_t>(block, kCapture);
        std::copy_n(tap, n, into);
    } else if (probe >= 12 && probe <= 15) {
        const auto* tap = static_cast<const std::int32_t*>(d.GetTapBuffer(probe - 9));
        if (tap != nullptr) n = std::min<std::uint32_t>(block / std::max(d.Decimation(), 1u), kCapture);
        for (std::uint32_t i = 0; i < n; ++i) into[i] = static_cast<std::int16_t>(tap[i] >> 16);
    } else if (probe >= 18 && probe <= 20) {
        const std::uint32_t first = probe == 20 ? 1 : 0;
        for (; n < kCapture && 2 * n + first < outputCount; ++n) into[n] = output[2 * n + first];
    }
    return n;
}

void StudyWindow::OnAudioBlock(const std::int16_t* input, std::uint32_t inputCount, const std::int16_t* output,
                               std::uint32_t outputCount) {
    if (thdOn_ || sinadOn_) ForceBlueToOutput();
    const int probes[2] = {red_, blue_};
    for (int panel = 0; panel < 2; ++panel) {
        captured_[panel] = Capture(probes[panel], capture_[panel], input, inputCount, output, outputCount);
        graphs_[panel]->SetSamples(capture_[panel], RateOf(probes[panel]).count, 1);
    }
    Measure(output, outputCount);
}

void StudyWindow::Measure(const std::int16_t* output, std::uint32_t outputCount) {
    const double f = testFrequency_;
    const Rate red = RateOf(red_), blue = RateOf(blue_);
    const auto redBin = study::Bin(capture_[0], red.count, static_cast<std::uint32_t>(red.count * f / red.rate));
    const auto blueBin = study::Bin(capture_[1], blue.count, static_cast<std::uint32_t>(blue.count * f / blue.rate));
    level_ = 0.9 * level_ + 0.1 * study::LevelDifference(std::norm(redBin), std::norm(blueBin));
    phase_ = 0.9 * phase_ + 0.1 * study::PhaseDifference(redBin, blueBin);
    // Both figures are of the output, at the output's rate: on a receiver whose codec runs at
    // 64 kHz the demodulator plays at 48 kHz, and a tone measured at the wrong rate is all noise.
    if (thdOn_) {
        const double thd = study::Thd(capture_[1], captured_[1], f, blue.rate);
        thd_ = thd >= 0.0 ? 0.95 * thd_ + 0.05 * thd : 0.95 * thd_;
    }
    if (sinadOn_) {
        sinadMeter_.Append(output, outputCount / 2, 2);
        sinad_ = 0.95 * sinad_ + 0.05 * sinadMeter_.Measure(f, OutputRate());
    }
    if (++blocks_ % 10 != 0) return;
    shown_[0] = level_;
    shown_[1] = phase_;
    shown_[2] = thd_;
    shown_[3] = sinad_;
    win::PostMessage(Handle(), kMsgShowFigures, 0, 0);
}

win::LResult StudyWindow::HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    if (msg == kMsgShowFigures) {
        levelField_->SetValue(true, shown_[0]);
        phaseField_->SetValue(true, shown_[1]);
        if (thdOn_) thdField_->SetValue(true, shown_[2]);
        if (sinadOn_) sinadField_->SetValue(true, shown_[3]);
        return 0;
    }
    if (msg == win::WM_MOUSEMOVE) {
        // Every move over the window, also over a panel, so that leaving a probe is seen.
        const win::LResult r = RC_Popup::HandleMessage(msg, wParam, lParam);
        hover_ = ProbeAt(win::GetXParam(lParam), win::GetYParam(lParam));
        if (hover_ >= 0) SetCursorShape(win::LoadCursor(win::IDC_HAND));
        return r;
    }
    return RC_Popup::HandleMessage(msg, wParam, lParam);
}

// --- painting ---

void StudyWindow::DrawDiagram() {
    const std::uint32_t offered = OfferedProbes();
    FillRect({kDiagramX, kDiagramY, kDiagramX + 628, kDiagramY + 200}, 0x202020);
    if (offered == 0) return;
    Pen().SetWidth(1);
    Pen().SetColour(0x808080);
    auto centre = [](int p) { return gdi::Point{kProbes[p].x + kDiagramX + 2, kProbes[p].y + kDiagramY + 2}; };
    for (const Path& path : kPaths) {
        if ((offered & (1u << path.from)) == 0 || (offered & (1u << path.to)) == 0) continue;
        const gdi::Point a = centre(path.from), b = centre(path.to);
        MoveTo(a.x, a.y);
        LineTo(b.x, a.y);
        LineTo(b.x, b.y);
    }
    SetBackgroundModeOfContext(1);
    SetTextColour(0xC0C0C0);
    Font().SetHeight(-10);
    for (int p = 0; p < kProbeCount; ++p) {
        if ((offered & (1u << p)) == 0) continue;
        const gdi::Point c = centre(p);
        DrawTextAligned({c.x - 30, c.y + 6, c.x + 30, c.y + 20}, kProbeNames[p], 1);
    }
}

void StudyWindow::PaintContent() {
    RC_Popup::PaintContent();
    DrawDiagram();
    const std::uint32_t offered = OfferedProbes();
    for (int p = 0; p < kProbeCount; ++p) {
        if ((offered & (1u << p)) == 0) continue;
        const RC_Colour c = p == red_ ? kRed : p == blue_ ? kBlue : kGreen;
        const int x = kProbes[p].x + kDiagramX, y = kProbes[p].y + kDiagramY;
        FillRect({x, y, x + 5, y + 5}, c);
    }
    FillRect({4, kRowY, 24, kRowY + 20}, kRed);
    FillRect({612, kRowY, 632, kRowY + 20}, kBlue);
}
