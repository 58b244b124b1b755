#include "platform/audio/AlsaAudioBackend.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace plat::audio {
namespace {

struct AlsaDevice {
    std::string pcmName;
    std::string displayName;
};

std::vector<AlsaDevice> ListDevices(snd_pcm_stream_t direction) {
    std::vector<AlsaDevice> list{{"default", "Default"}};
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        char* name = nullptr;
        if (snd_card_get_name(card, &name) != 0) continue;
        const std::string pcm = "plughw:" + std::to_string(card) + ",0";
        snd_pcm_t* probe = nullptr;
        // Only cards that have a device of this direction are listed.
        if (snd_pcm_open(&probe, pcm.c_str(), direction, SND_PCM_NONBLOCK) == 0) {
            snd_pcm_close(probe);
            list.push_back({pcm, name});
        }
        std::free(name);
    }
    return list;
}

Result MapError(int err) {
    switch (-err) {
    case EBUSY: return Result::Allocated;
    case ENODEV:
    case ENOENT:
    case ENXIO: return Result::NoDriver;
    case EINVAL: return Result::BadFormat;
    case ENOMEM: return Result::NoMemory;
    default: return Result::Error;
    }
}

Result OpenPcm(snd_pcm_stream_t direction, std::uint32_t id, const WaveFormat& format,
               snd_pcm_t*& pcm) {
    pcm = nullptr;
    const auto list = ListDevices(direction);
    if (id == kWaveMapper) id = 0;
    if (id >= list.size()) return Result::BadDeviceId;
    if (format.formatTag != kFormatPcm ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels == 0 ||
        format.channels > 2 || format.blockAlign != format.channels * format.bitsPerSample / 8)
        return Result::BadFormat;
    int err = snd_pcm_open(&pcm, list[id].pcmName.c_str(), direction, 0);
    if (err < 0) return MapError(err);
    err = snd_pcm_set_params(pcm, format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8
                                                            : SND_PCM_FORMAT_S16_LE,
                             SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                             format.samplesPerSec, 1, 100000);
    if (err < 0) {
        snd_pcm_close(pcm);
        pcm = nullptr;
        return Result::BadFormat;
    }
    return Result::NoError;
}

class AlsaCapture final : public CaptureStream {
public:
    AlsaCapture(snd_pcm_t* pcm, std::uint32_t frameBytes) : pcm_(pcm), frameBytes_(frameBytes) {}
    ~AlsaCapture() override { snd_pcm_close(pcm_); }
    Result Read(void* data, std::uint32_t bytes, std::uint32_t& got) override {
        got = 0;
        const snd_pcm_uframes_t frames = bytes / frameBytes_;
        auto* out = static_cast<unsigned char*>(data);
        while (got / frameBytes_ < frames) {
            const snd_pcm_sframes_t n =
                snd_pcm_readi(pcm_, out + got, frames - got / frameBytes_);
            if (n < 0) {
                if (n == -ENODEV) return Result::NoDriver;
                // An overrun or a suspend: recover and go on recording.
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return Result::NoDriver;
                continue;
            }
            got += static_cast<std::uint32_t>(n) * frameBytes_;
        }
        return Result::NoError;
    }

private:
    snd_pcm_t* pcm_;
    std::uint32_t frameBytes_;
};

class AlsaPlayback final : public PlaybackStream {
public:
    AlsaPlayback(snd_pcm_t* pcm, std::uint32_t frameBytes) : pcm_(pcm), frameBytes_(frameBytes) {}
    ~AlsaPlayback() override {
        snd_pcm_drain(pcm_);
        snd_pcm_close(pcm_);
    }
    Result Write(const void* data, std::uint32_t bytes) override {
        const snd_pcm_uframes_t frames = bytes / frameBytes_;
        const auto* in = static_cast<const unsigned char*>(data);
        snd_pcm_uframes_t done = 0;
        while (done < frames) {
            const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, in + done * frameBytes_, frames - done);
            if (n < 0) {
                if (n == -ENODEV) return Result::NoDriver;
                // An underrun or a suspend: recover and go on playing.
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) return Result::NoDriver;
                continue;
            }
            done += static_cast<snd_pcm_uframes_t>(n);
        }
        return Result::NoError;
    }

private:
    snd_pcm_t* pcm_;
    std::uint32_t frameBytes_;
};

std::vector<WaveCaps> ToCaps(const std::vector<AlsaDevice>& list) {
    std::vector<WaveCaps> caps;
    for (const auto& d : list) {
        WaveCaps c{};
        std::strncpy(c.name, d.displayName.c_str(), sizeof c.name - 1);
        c.nativeFormat = MakePcmFormat(2, 16, 48000);
        caps.push_back(c);
    }
    return caps;
}

} // namespace

std::vector<WaveCaps> AlsaAudioBackend::Devices(Direction direction) {
    return ToCaps(ListDevices(direction == Direction::Capture ? SND_PCM_STREAM_CAPTURE
                                                              : SND_PCM_STREAM_PLAYBACK));
}

Result AlsaAudioBackend::OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                     std::unique_ptr<CaptureStream>& stream) {
    snd_pcm_t* pcm = nullptr;
    const Result r = OpenPcm(SND_PCM_STREAM_CAPTURE, id, format, pcm);
    if (r != Result::NoError) return r;
    if (queryOnly) {
        snd_pcm_close(pcm);
        return r;
    }
    stream = std::make_unique<AlsaCapture>(pcm, format.blockAlign);
    return r;
}

Result AlsaAudioBackend::OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                      std::unique_ptr<PlaybackStream>& stream) {
    snd_pcm_t* pcm = nullptr;
    const Result r = OpenPcm(SND_PCM_STREAM_PLAYBACK, id, format, pcm);
    if (r != Result::NoError) return r;
    if (queryOnly) {
        snd_pcm_close(pcm);
        return r;
    }
    stream = std::make_unique<AlsaPlayback>(pcm, format.blockAlign);
    return r;
}

} // namespace plat::audio
