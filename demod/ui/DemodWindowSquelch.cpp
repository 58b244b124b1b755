// The secondary squelch of the audio path: noise, voice, CTCSS and DCS decide over each block
// after the host has had the audio, with settling times after a retune so that a receiver still
// swinging in is not judged; the verdict mutes the block and travels to the host as a report.

#include "demod/ui/DemodWindow.h"

#include "demod/ui/ModeTable.h"
#include "platform/win/MessageApi.h"

#include <cstring>

namespace {

constexpr int kNoiseSettling = 0, kVoiceSettling = 1, kDcsSettling = 2;
constexpr int kReportNoise = 4, kReportCtcss = 8, kReportVoice = 20, kReportDcs = 24;
// Output samples per block that the settling time is made of, for divisor 1.
constexpr std::uint32_t kSettlingBase = 1536;
constexpr float kFmNoiseCut = 5000.0f;
constexpr float kWideFmNoiseCut = 15000.0f;
constexpr double kFmNoiseScale = 0.06666667 * 10000.0;
constexpr double kWideFmNoiseScale = 0.1;

} // namespace

std::uint32_t DemodWindow::SettlingTime() const {
    return demod_.Interpolation() * kSettlingBase / demod_.OutputDivisor() / demod_.Decimation();
}

std::uint32_t DemodWindow::OutputRate() const {
    return fs_ / demod_.Decimation() * demod_.Interpolation() / demod_.OutputDivisor();
}

void DemodWindow::SetReportField(int at, std::int32_t value) { std::memcpy(path_.report + at, &value, 4); }

bool DemodWindow::DecideSquelch(std::uint32_t count) {
    SquelchVerdict& v = path_.verdict;
    const AudioPathSettings& st = path_.settings;
    const std::uint32_t h = SettlingTime();
    const std::uint32_t ro = OutputRate();
    const bool scan = st.scanMode != 0;
    const std::uint32_t settling = settling_[kNoiseSettling].load();
    // Still settling after a retune, or this frequency of the scan already reported.
    if (settling != 0 && (settling < h || (scan && reportedInScan_.load() != 0))) return false;

    const int m = st.modeIndex;
    const bool wide = m == kModeFmw;
    // The detector output at the channel rate: every U-th value of the left audio filter's input.
    const auto* detector = static_cast<const std::int16_t*>(demod_.GetTapBuffer(7));
    const std::uint32_t u = demod_.Interpolation();
    const std::uint32_t detectorTotal = count / demod_.Decimation() * u;
    const float channelRate = static_cast<float>(fs_) / static_cast<float>(demod_.Decimation());
    auto feed = [&](auto& squelch) {
        if (wide) {
            squelch.Process(input_.samples, count, 1, static_cast<float>(fs_));
        } else {
            squelch.Process(detector, detectorTotal, u, channelRate);
        }
    };

    if (st.noiseFlag) {
        const AudioPathMode& mode = st.modes[static_cast<std::size_t>(m)];
        const double b = demod_.halfBandwidth;
        bool evaluated = true;
        double p = 0.0;
        if (wide) {
            p = path_.noise.FromAudio(input_.samples, count, 1, static_cast<float>(fs_), kWideFmNoiseCut,
                                      mode.noiseFilterLength, kWideFmNoiseScale, scan);
        } else if (m == kModeFm6 || m == kModeFmn) {
            p = path_.noise.FromAudio(detector, detectorTotal, u, channelRate, kFmNoiseCut, mode.noiseFilterLength,
                                      b > 0.0 ? kFmNoiseScale / b : 100.0, scan);
        } else if (settling == 0 || settling >= 2 * h) {
            p = path_.noise.FromMeasure(noiseMeasure_, b, scan);
        } else {
            evaluated = false; // AM-type modes settle twice as long
        }
        if (evaluated) {
            if (p > st.noiseThreshold) {
                v.closed = true;
            } else {
                v.bits |= kSquelchNoise;
            }
            SetReportField(kReportNoise, static_cast<std::int32_t>(p));
            v.decided = true;
        }
    }

    if (st.voiceFlag) {
        if (m == kModeIsb) {
            path_.voice.Add(audio_.samples, 2 * audio_.header.count, 2, ro, st.voiceLevel);
        } else {
            path_.voice.Add(audio_.samples, audio_.header.count, 1, ro, st.voiceLevel);
        }
        const std::uint32_t voiceSettling = settling_[kVoiceSettling].load();
        if (voiceSettling == 0 || voiceSettling >= h + ro / 2) {
            SetReportField(kReportVoice, path_.voice.Decide(v, scan));
            settling_[kVoiceSettling].exchange(h);
        }
    }

    if (st.ctcssTone != 0.0f) {
        feed(path_.ctcss);
        const bool settlingTone = settling != 0 && settling < h + ro;
        SetReportField(kReportCtcss, path_.ctcss.Decide(v, settlingTone, st.ctcssTone));
    }

    if (st.dcsFlag) {
        feed(path_.dcs);
        const std::uint32_t dcsSettling = settling_[kDcsSettling].load();
        const bool settlingCode = dcsSettling != 0 && dcsSettling < ro * 35 / 100 + 2 * h;
        const DcsSquelch::Outcome o = path_.dcs.Decide(v, settlingCode, st.dcsCode, path_.dcsHold);
        SetReportField(kReportDcs, o.reported);
        if (o.restartSettling) settling_[kDcsSettling].exchange(h);
    }
    return true;
}

// Steps after the host had the audio: the decisions, the report (one at a time: a report the
// window has not handled yet suppresses the next), and the settling clocks.
void DemodWindow::ReportSquelch(std::uint32_t n) {
    const std::uint32_t count = input_.header.count;
    if (DecideSquelch(count)) {
        const SquelchVerdict& v = path_.verdict;
        if (v.decided) {
            std::lock_guard<RC_Lock> hold(handoverLock_);
            std::memcpy(report_, path_.report, sizeof report_);
        }
        if ((v.decided || !path_.settings.AnySecondarySquelch()) && reportPending_.exchange(1) == 0) {
            plat::win::PostMessage(Handle(), kMsgSquelchReport, v.decided ? v.bits : 0, 0);
            reportedInScan_.store(1);
        }
    }
    for (auto& counter : settling_)
        if (counter.load() != 0) counter.fetch_add(n);
}
