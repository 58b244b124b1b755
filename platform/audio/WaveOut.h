#pragma once
// A playback device: the owner writes prepared buffers, the device plays them in order, marks each
// done and sets the owner's notification event.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/WaveDevice.h"

#include <memory>

namespace plat::audio {

class WaveOut final : public WaveDevice {
public:
    static std::uint32_t DeviceCount();
    static Result GetCaps(std::uint32_t id, WaveCaps& caps);
    // A format query with the whole format record (the format and its extension bytes); the
    // device's driver may answer in the record.
    static Result QueryFormat(std::uint32_t id, void* record, std::size_t length);
    static Result Open(std::unique_ptr<WaveOut>& out, std::uint32_t id, const WaveFormat& format,
                       sys::Event* notify, bool queryOnly = false);
    // Hands queued buffers back unplayed, then closes.
    ~WaveOut() override;

    // Queues a prepared buffer for playing; NoDriver once the device has gone.
    Result Write(WaveHeader& header) { return Queue(header); }

private:
    WaveOut(std::unique_ptr<PlaybackStream> stream, sys::Event* notify);
    // After removal the buffers still come back, unplayed, so the owner never waits forever.
    bool DrainsAfterRemoval() const override { return true; }
    Result Serve(WaveHeader& header, bool deviceGone, std::uint32_t& bytes) override;

    std::unique_ptr<PlaybackStream> stream_;
};

} // namespace plat::audio
