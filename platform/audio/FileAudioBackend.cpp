#include "platform/audio/FileAudioBackend.h"

#include "platform/audio/AudioSystem.h"
#include "platform/audio/WavFile.h"
#include "platform/sys/Clock.h"

#include <atomic>
#include <cstring>
#include <limits>

namespace plat::audio {

struct FileAudioBackend::Device {
    std::string name;
    std::string path;
    std::atomic<bool> present{true};
    std::atomic<bool> inUse{false};
    std::atomic<std::uint64_t> removeAfter{std::numeric_limits<std::uint64_t>::max()};
    int failCount = 0;
    Result failCode = Result::NoError;
    int openAttempts = 0;
    bool written = false;               // playback: this back end has made its file
    std::shared_ptr<MixerDevice> mixer; // capture devices only
};

namespace {

using Device = FileAudioBackend::Device;

// Keeps a stream to the rate of its format on the active clock, from its first block on.
class Pacer {
public:
    Pacer(bool paced, std::uint32_t bytesPerSecond) : paced_(paced), rate_(bytesPerSecond) {}
    void WaitUntilPlayed(std::uint64_t bytesMoved) {
        if (!paced_ || rate_ == 0) return;
        auto& clock = sys::ActiveClock();
        if (!started_) {
            start_ = clock.Now();
            started_ = true;
        }
        const auto due = start_ + static_cast<sys::Nanoseconds>(
                                      bytesMoved * static_cast<std::uint64_t>(sys::kNsPerSecond) /
                                      rate_);
        const auto now = clock.Now();
        if (due > now) clock.Sleep(due - now);
    }

private:
    bool paced_;
    std::uint32_t rate_;
    bool started_ = false;
    sys::Nanoseconds start_ = 0;
};

// The part of a block that the device still moves before the script removes it; `cut` tells that
// the device goes after this block.
std::uint32_t BytesBeforeRemoval(const Device& device, std::uint64_t moved, std::uint32_t bytes,
                                 bool& cut) {
    const std::uint64_t limit = device.removeAfter.load();
    const std::uint64_t left = limit > moved ? limit - moved : 0;
    cut = left <= bytes;
    return cut ? static_cast<std::uint32_t>(left) : bytes;
}

class FileCapture final : public CaptureStream {
public:
    FileCapture(std::shared_ptr<Device> device, std::unique_ptr<WavReader> reader, bool paced)
        : device_(std::move(device)), reader_(std::move(reader)),
          pacer_(paced, reader_->Format().avgBytesPerSec) {}
    ~FileCapture() override { device_->inUse = false; }

    Result Read(void* data, std::uint32_t bytes, std::uint32_t& got) override {
        got = 0;
        if (!device_->present) return Result::NoDriver;
        bool cut = false;
        got = reader_->Read(data, BytesBeforeRemoval(*device_, moved_, bytes, cut));
        moved_ += got;
        pacer_.WaitUntilPlayed(moved_);
        if (cut) device_->present = false;
        return cut ? Result::NoDriver : Result::NoError;
    }

private:
    std::shared_ptr<Device> device_;
    std::unique_ptr<WavReader> reader_;
    Pacer pacer_;
    std::uint64_t moved_ = 0;
};

class FilePlayback final : public PlaybackStream {
public:
    FilePlayback(std::shared_ptr<Device> device, std::unique_ptr<WavWriter> writer,
                 const WaveFormat& format, bool paced)
        : device_(std::move(device)), writer_(std::move(writer)),
          pacer_(paced, format.avgBytesPerSec) {}
    ~FilePlayback() override {
        writer_->Close();
        device_->inUse = false;
    }

    Result Write(const void* data, std::uint32_t bytes) override {
        if (!device_->present) return Result::NoDriver;
        bool cut = false;
        bytes = BytesBeforeRemoval(*device_, moved_, bytes, cut);
        if (!writer_->Write(data, bytes)) return Result::Error;
        moved_ += bytes;
        pacer_.WaitUntilPlayed(moved_);
        if (cut) device_->present = false;
        return cut ? Result::NoDriver : Result::NoError;
    }

private:
    std::shared_ptr<Device> device_;
    std::unique_ptr<WavWriter> writer_;
    Pacer pacer_;
    std::uint64_t moved_ = 0;
};

WaveCaps MakeCaps(const std::string& name, const WaveFormat& native) {
    WaveCaps caps{};
    std::strncpy(caps.name, name.c_str(), sizeof caps.name - 1);
    caps.nativeFormat = native;
    return caps;
}

bool Playable(const WaveFormat& f) {
    return f.formatTag == kFormatPcm && (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
           f.channels >= 1 && f.channels <= 2 && f.samplesPerSec >= 1000 &&
           f.samplesPerSec <= 384000 && f.blockAlign == f.channels * f.bitsPerSample / 8;
}

} // namespace

FileAudioBackend::FileAudioBackend(Pacing pacing) : pacing_(pacing) {}
FileAudioBackend::~FileAudioBackend() = default;

void FileAudioBackend::AddDevice(Direction direction, const std::string& name,
                                 const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        auto device = std::make_shared<Device>();
        device->name = name.substr(0, 31);
        device->path = path;
        if (direction == Direction::Capture) device->mixer = MixerDevice::MakeRecordingMixer(device->name);
        (direction == Direction::Capture ? capture_ : playback_).push_back(std::move(device));
    }
    BroadcastDeviceChange(kDeviceArrival);
}

void FileAudioBackend::RemoveDevice(Direction direction, const std::string& name) {
    {
        std::lock_guard lock(mutex_);
        auto& list = direction == Direction::Capture ? capture_ : playback_;
        for (auto it = list.begin(); it != list.end(); ++it) {
            if ((*it)->name == name) {
                (*it)->present = false;
                list.erase(it);
                break;
            }
        }
    }
    BroadcastDeviceChange(kDeviceRemoveComplete);
}

void FileAudioBackend::FailNextOpens(Direction direction, const std::string& name, int count,
                                     Result code) {
    if (auto device = Find(direction, name)) {
        std::lock_guard lock(mutex_);
        device->failCount = count;
        device->failCode = code;
    }
}

void FileAudioBackend::RemoveAfterBytes(Direction direction, const std::string& name,
                                        std::uint64_t bytes) {
    if (auto device = Find(direction, name)) device->removeAfter = bytes;
}

int FileAudioBackend::OpenAttempts(Direction direction, const std::string& name) const {
    auto device = Find(direction, name);
    std::lock_guard lock(mutex_);
    return device ? device->openAttempts : 0;
}

std::shared_ptr<Device> FileAudioBackend::Find(Direction direction, const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (const auto& d : direction == Direction::Capture ? capture_ : playback_)
        if (d->name == name) return d;
    return nullptr;
}

std::shared_ptr<Device> FileAudioBackend::At(Direction direction, std::uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto& list = direction == Direction::Capture ? capture_ : playback_;
    if (id == kWaveMapper) id = 0;
    return id < list.size() ? list[id] : nullptr;
}

std::vector<WaveCaps> FileAudioBackend::Devices(Direction direction) {
    std::vector<std::shared_ptr<Device>> list;
    {
        std::lock_guard lock(mutex_);
        list = direction == Direction::Capture ? capture_ : playback_;
    }
    std::vector<WaveCaps> caps;
    for (const auto& d : list) {
        WaveFormat native = MakePcmFormat(2, 16, 48000);
        if (direction == Direction::Capture) {
            WavReader reader;
            if (reader.Open(d->path)) native = reader.Format();
        }
        caps.push_back(MakeCaps(d->name, native));
    }
    return caps;
}

std::vector<std::shared_ptr<MixerDevice>> FileAudioBackend::Mixers() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<MixerDevice>> mixers;
    for (const auto& d : capture_) mixers.push_back(d->mixer);
    return mixers;
}

long FileAudioBackend::MixerOfWaveIn(std::uint32_t waveInId) {
    std::lock_guard lock(mutex_);
    if (waveInId == kWaveMapper) waveInId = 0;
    return waveInId < capture_.size() ? static_cast<long>(waveInId) : -1;
}

Result FileAudioBackend::CheckOpen(Device& device) {
    std::lock_guard lock(mutex_);
    ++device.openAttempts;
    if (device.failCount > 0) {
        --device.failCount;
        return device.failCode;
    }
    if (!device.present) return Result::NoDriver;
    return Result::NoError;
}

Result FileAudioBackend::OpenCapture(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                     std::unique_ptr<CaptureStream>& stream) {
    auto device = At(Direction::Capture, id);
    if (!device) return Result::BadDeviceId;
    if (const Result r = CheckOpen(*device); r != Result::NoError) return r;
    auto reader = std::make_unique<WavReader>();
    if (!reader->Open(device->path)) return Result::NoDriver;
    // The file is the sound card's signal: it plays only in its own format.
    if (format.formatTag != kFormatPcm || !SamePcmLayout(format, reader->Format()))
        return Result::BadFormat;
    if (queryOnly) return Result::NoError;
    if (device->inUse.exchange(true)) return Result::Allocated;
    stream = std::make_unique<FileCapture>(device, std::move(reader),
                                           pacing_ == Pacing::RealTime);
    return Result::NoError;
}

Result FileAudioBackend::OpenPlayback(std::uint32_t id, const WaveFormat& format, bool queryOnly,
                                      std::unique_ptr<PlaybackStream>& stream) {
    auto device = At(Direction::Playback, id);
    if (!device) return Result::BadDeviceId;
    if (const Result r = CheckOpen(*device); r != Result::NoError) return r;
    if (!Playable(format)) return Result::BadFormat;
    if (queryOnly) return Result::NoError;
    if (device->inUse.exchange(true)) return Result::Allocated;
    auto writer = std::make_unique<WavWriter>();
    // A device opened again (the demodulator restarted after a sleep) goes on with what it
    // recorded before instead of starting the file afresh; a file of an earlier run is replaced.
    const bool appended = device->written && writer->OpenToAppend(device->path, format);
    if (!appended && !writer->Open(device->path, format)) {
        device->inUse = false;
        return Result::NoDriver;
    }
    device->written = true;
    stream = std::make_unique<FilePlayback>(device, std::move(writer), format,
                                            pacing_ == Pacing::RealTime);
    return Result::NoError;
}

} // namespace plat::audio
