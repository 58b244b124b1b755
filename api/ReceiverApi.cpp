#include "api/ReceiverApi.h"

#include <cmath>
#include <mutex>

namespace lxq::api {

ReceiverApi::ReceiverApi(RadioLibrary::Options options) : library_(std::move(options)) {
    deviceChanges_.Start();
    // A receiver that arrived after the table was built but before notices were heard would
    // otherwise never be seen by this process: treat every device present now as arrived (one
    // already in the table is left alone).
    if (library_.Loaded()) {
        for (const std::string& path : library_.Devices().List()) deviceChanges_.OnArrived(path);
    }
}

ReceiverApi::~ReceiverApi() {
    library_.Devices().StopWatching();
    for (std::int32_t i = 1; i <= kRadioCount; ++i) library_.Local(i).StopScan();
}

std::int32_t ReceiverApi::InvertSpectrum(std::int32_t index, std::int16_t* samples,
                                         std::size_t count, float sampleRate,
                                         std::size_t bitsPerSample, std::int32_t invert) {
    const RadioSlot* slot = library_.Lookup(index);
    if (!slot || bitsPerSample != 16 || (!samples && count != 0)) return 0;
    // A rate that is no rate would put the inverter's oscillator out for good: refused, and the
    // samples are left as they are.
    if (!std::isfinite(sampleRate) || sampleRate <= 0.0f) return 0;
    SpectrumInverter& inverter = inverters_[static_cast<std::size_t>(index - 1)];
    inverter.Reserve(count);
    std::uint32_t if2Frequency;
    {
        std::lock_guard lock(library_.Local(index).deviceLock); // guards the slot's cache
        if2Frequency = slot->if2Frequency;
    }
    inverter.SetMixingFrequency(static_cast<float>(if2Frequency));
    inverter.SetInvert((invert != 0) != (control_.IsSpectrumInverted(index) != 0));
    inverter.SetSampleRate(sampleRate);
    inverter.Process(samples, count);
    return 1;
}

} // namespace lxq::api
