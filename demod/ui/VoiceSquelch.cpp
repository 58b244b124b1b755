#include "demod/ui/VoiceSquelch.h"

void VoiceSquelch::Add(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride, std::uint32_t rate,
                       float voiceThreshold) {
    detector_.SetSampleRate(static_cast<float>(rate));
    detector_.SetLength(rate / 2);
    detector_.levelThreshold.store(kLevelThreshold, std::memory_order_relaxed);
    detector_.voiceThreshold.store(voiceThreshold, std::memory_order_relaxed);
    detector_.AddSamples(samples, count, stride);
}

std::int32_t VoiceSquelch::Decide(SquelchVerdict& verdict, bool scan) {
    const bool voice = detector_.State() == kRC_VoiceFound;
    bool open;
    if (scan) {
        open = voice; // one judgement per frequency: no history to weigh
    } else {
        if (voice && hysteresis_ < kMaxHysteresis) ++hysteresis_;
        if (!voice && hysteresis_ > 0) --hysteresis_;
        open = hysteresis_ >= kOpenAt;
    }
    if (open) {
        verdict.bits |= kSquelchVoice;
    } else {
        verdict.closed = true;
    }
    verdict.decided = true;
    detector_.SetFillPosition(0);
    return static_cast<std::int32_t>(detector_.VoiceMeasure() * 100.0f);
}
