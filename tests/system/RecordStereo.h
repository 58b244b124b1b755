#pragma once
// One recording from a wave-in device, as the virtual sound card's tests take it.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/WaveIn.h"
#include "platform/sys/Event.h"

namespace lxq::systemtest {

// Up to `frames` stereo frames at 48 kHz from wave-in device `id`, interleaved; fewer when the
// device stopped before the buffer was full.
inline std::vector<std::int16_t> RecordStereo(std::uint32_t id, std::size_t frames) {
    using namespace plat::audio;
    std::unique_ptr<WaveIn> in;
    plat::sys::Event done{plat::sys::Event::Reset::Automatic, false};
    EXPECT_EQ(WaveIn::Open(in, id, MakePcmFormat(2, 16, 48000), &done), Result::NoError);
    if (!in) return {};
    std::vector<std::int16_t> stereo(frames * 2);
    WaveHeader header{};
    header.data = stereo.data();
    header.bufferLength = static_cast<std::uint32_t>(stereo.size() * 2);
    in->Prepare(header);
    in->AddBuffer(header);
    in->Start();
    while (!(LoadHeaderFlags(header) & kHeaderDone)) done.Wait();
    in->Reset();
    in->Unprepare(header);
    stereo.resize(header.bytesRecorded / 2);
    return stereo;
}

} // namespace lxq::systemtest
