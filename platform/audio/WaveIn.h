#pragma once
// A recording device: the owner queues prepared buffers, the device fills them in order, marks
// each done and sets the owner's notification event.

#include "platform/audio/AudioBackend.h"
#include "platform/audio/WaveDevice.h"

#include <memory>

namespace plat::audio {

class WaveIn final : public WaveDevice {
public:
    static std::uint32_t DeviceCount();
    static Result GetCaps(std::uint32_t id, WaveCaps& caps);
    // A format query with the whole format record (the format and its extension bytes); the
    // device's driver may answer in the record.
    static Result QueryFormat(std::uint32_t id, void* record, std::size_t length);
    // Opens device `id` (kWaveMapper: the default). With queryOnly only the answer is given and
    // `out` stays empty. `notify` (may be null) is set after each filled buffer.
    static Result Open(std::unique_ptr<WaveIn>& out, std::uint32_t id, const WaveFormat& format,
                       sys::Event* notify, bool queryOnly = false);
    // Stops recording and hands queued buffers back first.
    ~WaveIn() override;

    // Queues a prepared buffer; NoDriver once the device has gone.
    Result AddBuffer(WaveHeader& header);
    Result Start();
    Result Stop();
    // Stops and hands every queued buffer back (with nothing in it).
    Result Reset();

private:
    WaveIn(std::unique_ptr<CaptureStream> stream, sys::Event* notify);
    bool Ready() const override { return started_ && !ended_; }
    Result Serve(WaveHeader& header, bool deviceGone, std::uint32_t& bytes) override;
    void Served(Result result, const WaveHeader& header, std::uint32_t bytes) override;

    std::unique_ptr<CaptureStream> stream_;
    bool started_ = false;
    bool ended_ = false; // the source has no more data
};

} // namespace plat::audio
