#include "demod/audio/RC_AudioWave.h"

#include "demod/ui/toolkit/RC_MessagePump.h"
#include "demod/dsp/RC_Heap.h"
#include "demod/dsp/RC_String.h"
#include "platform/audio/VirtualCardWire.h"
#include "platform/sys/Clock.h"
#include "platform/sys/MessageBox.h"

#include <cstdlib>
#include <cstring>
#include <new>

using namespace plat::audio;

namespace {

constexpr plat::sys::Nanoseconds kThreadWait = 10 * plat::sys::kNsPerSecond;
constexpr int kOpenAttempts = 5;
constexpr std::int64_t kOpenRetryMs = 200;
constexpr std::uint32_t kMinOutCount = 32;
constexpr int kAnswerTryAgain = 10;

constexpr const char* kWaveInCaption = "RC_AudioWave Wave-in Error";
constexpr const char* kWaveOutCaption = "RC_AudioWave Wave-out Error";
constexpr const char* kInUseText = "The specified wave-in device is already in use.\n"
                                   "Close any other audio application that may use it.";
constexpr const char* kRemovedText =
    "The wave-in device in use has been removed.\n"
    "You may have to wait up to 15s for the list of wave-in devices to be updated.";

std::uint32_t RoundUpTo4(std::uint32_t n) { return n > 0xFFFFFFFCu ? 0xFFFFFFFCu : (n + 3u) & ~3u; }

std::atomic_ref<std::uint32_t> UserWord(WaveHeader& h) {
    return std::atomic_ref<std::uint32_t>(h.user);
}

bool EndsWith(const char* text, const char* tail) {
    const std::size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

// Lays out count headers of 32 bytes followed by count buffers in one heap block.
WaveHeader* AllocateBuffers(void*& block, std::uint32_t count, std::uint32_t size) {
    const std::size_t total = std::size_t{count} * (RC_AudioWave::kHeaderBytes + size);
    block = RC_Alloc(total);
    if (block == nullptr) return nullptr;
    auto* headers = static_cast<WaveHeader*>(block);
    auto* data = static_cast<unsigned char*>(block) + std::size_t{count} * sizeof(WaveHeader);
    for (std::uint32_t i = 0; i < count; ++i) {
        new (&headers[i]) WaveHeader{};
        headers[i].data = data + std::size_t{i} * size;
        headers[i].bufferLength = size;
    }
    return headers;
}

} // namespace

RC_AudioWave::RC_AudioWave(int channels, int bitsPerSample, int sampleRate, int direction)
    : direction_(direction) {
    format_ = MakePcmFormat(static_cast<std::uint16_t>(channels),
                            static_cast<std::uint16_t>(bitsPerSample),
                            static_cast<std::uint32_t>(sampleRate));
    SetFlags(kFlagMessages, 0);
    EnumerateDevices();
}

RC_AudioWave::~RC_AudioWave() {
    Stop();
    delete thread_;
    CloseVirtualCard();
}

void RC_AudioWave::ComputeFormat() {
    format_.blockAlign = static_cast<std::uint16_t>(format_.bitsPerSample * format_.channels / 8);
    format_.avgBytesPerSec = std::uint32_t{format_.blockAlign} * format_.samplesPerSec;
}

int RC_AudioWave::ShowError(const char* caption, const char* text, std::uint32_t style) {
    return plat::sys::ShowMessageBox(0, text, caption, style);
}

template <typename Apply>
void RC_AudioWave::WithRestart(bool restart, Apply apply) {
    restart = restart && Running();
    if (restart) Stop();
    apply();
    if (restart) Start();
}

// ---- start and stop -------------------------------------------------------------------------

int RC_AudioWave::Start() {
    if (starting_ || direction_ == kNone || Running()) return 1;
    starting_ = true;
    RC_PumpPendingMessages(0);
    stop_ = false;
    ack_.ResetEvent();
    thread_ = new RC_Thread(&RC_AudioWave::ThreadBody, this);
    thread_->SetPriority(plat::sys::ThreadPriority::Highest);
    thread_->Resume();
    ack_.Wait();
    if (!stop_) {
        starting_ = false;
        return 1;
    }
    thread_->Wait(kThreadWait);
    delete thread_;
    thread_ = nullptr;
    starting_ = false;
    return 0;
}

int RC_AudioWave::Stop() {
    if (starting_ || !Running()) return 0;
    starting_ = true;
    stop_ = true;
    wake_.Set();
    ack_.Wait();
    if (thread_ != nullptr) thread_->Wait(kThreadWait);
    delete thread_;
    thread_ = nullptr;
    starting_ = false;
    return 1;
}

void RC_AudioWave::Signal() {
    if (Running()) wake_.Set();
}

// ---- the audio thread -----------------------------------------------------------------------

void RC_AudioWave::ThreadBody(void* context, RC_Thread*) {
    static_cast<RC_AudioWave*>(context)->Run();
}

void RC_AudioWave::Run() {
    WaveFormat format = format_;
    // The virtual card's wave driver takes its own format tag; the format is then its business.
    if (inKind_ == kVirtualWave || outKind_ == kVirtualWave) {
        format.formatTag = 0x1235;
        format.extraSize = 16;
    }
    bool failed = false;
    if ((direction_ & kInput) && inIndex_ >= 0 &&
        static_cast<std::size_t>(inIndex_) < inNames_.Count())
        failed |= !OpenInput(format);
    if ((direction_ & kOutput) && outIndex_ >= 0 &&
        static_cast<std::size_t>(outIndex_) < outNames_.Count() && !stop_)
        failed |= !OpenOutput(format);
    (void)failed;
    if (!Running()) {
        // Nothing opened: Start sees the stop flag with the one acknowledgement it waits for.
        stop_ = true;
        ack_.Set();
        return;
    }
    ack_.Set();

    bool worked = false;
    while (Running() && !stop_) {
        if (!worked) wake_.Wait();
        if (stop_) break;
        worked = ServiceOutput();
        worked |= ServiceInput();
    }
    CloseDevices();
    stop_ = true;
    ack_.Set();
}

bool RC_AudioWave::OpenInput(const WaveFormat& format) {
    const long id = DeviceIdFor(inIndex_, inNames_);
    WaveIn::GetCaps(static_cast<std::uint32_t>(id), inCaps_);
    const bool messages = FlagsA() & kFlagMessages;
    for (;;) {
        Result r = Result::Error;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            if (attempt > 0) plat::sys::ActiveClock().SleepMs(kOpenRetryMs);
            r = WaveIn::Open(waveIn_, static_cast<std::uint32_t>(id), format, &wake_);
            if (r == Result::NoError) break;
        }
        if (r == Result::NoError) break;
        if (messages && r == Result::Allocated) {
            // The box's retry button answers "try again"; a yes answer retries as well.
            const int answer = ShowError(kWaveInCaption, kInUseText, 70);
            if (answer == plat::sys::kIdYes || answer == kAnswerTryAgain) continue;
        } else if (messages) {
            ShowError(kWaveInCaption, WaveErrorText(r), plat::sys::kMbOk);
        }
        return false;
    }
    const std::uint32_t count = inCount_;
    inHeaders_ = count != 0 ? AllocateBuffers(inBlock_, count, inSize_) : nullptr;
    if (inHeaders_ == nullptr) {
        waveIn_.reset();
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        waveIn_->Prepare(inHeaders_[i]);
        waveIn_->AddBuffer(inHeaders_[i]);
    }
    inNext_ = 0;
    inOpen_ = true;
    waveIn_->Start();
    return true;
}

bool RC_AudioWave::OpenOutput(const WaveFormat& format) {
    const long id = DeviceIdFor(outIndex_, outNames_);
    WaveOut::GetCaps(static_cast<std::uint32_t>(id), outCaps_);
    Result r = Result::Error;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (attempt > 0) plat::sys::ActiveClock().SleepMs(kOpenRetryMs);
        r = WaveOut::Open(waveOut_, static_cast<std::uint32_t>(id), format, &wake_);
        if (r == Result::NoError) break;
    }
    if (r != Result::NoError) {
        if (FlagsA() & kFlagMessages) ShowError(kWaveOutCaption, WaveErrorText(r), plat::sys::kMbOk);
        return false;
    }
    outHeaders_ = AllocateBuffers(outBlock_, outCount_, outSize_);
    if (outHeaders_ == nullptr) {
        waveOut_.reset();
        return false;
    }
    for (std::uint32_t i = 0; i < outCount_; ++i) {
        outHeaders_[i].user = i;
        waveOut_->Prepare(outHeaders_[i]);
    }
    outFill_ = 0;
    outComplete_.store(0, std::memory_order_release);
    outQueued_ = 0;
    outOpen_.store(true, std::memory_order_release);
    return true;
}

bool RC_AudioWave::ServiceOutput() {
    if (!OutputOpen()) return false;
    const std::uint32_t index = outComplete_.load(std::memory_order_relaxed);
    WaveHeader& h = outHeaders_[index];
    if (!(LoadHeaderFlags(h) & kHeaderDone)) return false;
    ClearHeaderFlags(h, kHeaderDone);
    outQueued_.fetch_sub(1, std::memory_order_acq_rel);
    if (outCallback_ != nullptr) outCallback_(outUser_, this, h.data, h.bufferLength);
    UserWord(h).fetch_and(~kQueuedBit, std::memory_order_release);
    outComplete_.store((index + 1) % outCount_, std::memory_order_release);
    return true;
}

bool RC_AudioWave::ServiceInput() {
    if (!InputOpen()) return false;
    WaveHeader& h = inHeaders_[inNext_];
    if (!(LoadHeaderFlags(h) & kHeaderDone)) return false;
    if (inCallback_ != nullptr) inCallback_(inUser_, this, h.data, h.bytesRecorded);
    // The done bit goes before the buffer is queued again: cleared afterwards, it could erase
    // the device's next completion of this very buffer, and that block would never be taken.
    ClearHeaderFlags(h, kHeaderDone);
    if (waveIn_->AddBuffer(h) == Result::NoDriver) {
        if (FlagsA() & kFlagMessages) ShowError(kWaveInCaption, kRemovedText, plat::sys::kMbOk);
        for (std::uint32_t i = 0; i < inCount_; ++i) ClearHeaderFlags(inHeaders_[i], kHeaderDone);
    }
    inNext_ = (inNext_ + 1) % inCount_;
    return true;
}

void RC_AudioWave::CloseDevices() {
    if (waveIn_) {
        inOpen_ = false;
        waveIn_->Reset();
        for (std::uint32_t i = 0; i < inCount_; ++i) waveIn_->Unprepare(inHeaders_[i]);
        waveIn_.reset();
        RC_Free(inBlock_);
        inBlock_ = nullptr;
        inHeaders_ = nullptr;
    }
    if (waveOut_) {
        outOpen_.store(false, std::memory_order_release);
        waveOut_->Reset();
        for (std::uint32_t i = 0; i < outCount_; ++i) waveOut_->Unprepare(outHeaders_[i]);
        waveOut_.reset();
        RC_Free(outBlock_);
        outBlock_ = nullptr;
        outHeaders_ = nullptr;
    }
}

// ---- output from the owner ------------------------------------------------------------------

void* RC_AudioWave::GetFreeOutBuffer() {
    if (!OutputOpen() || stop_) return nullptr;
    WaveHeader& h = outHeaders_[outFill_];
    if (UserWord(h).load(std::memory_order_acquire) & kQueuedBit) return nullptr;
    outFill_ = (outFill_ + 1) % outCount_;
    return h.data;
}

void RC_AudioWave::Write(void* data, std::uint32_t length) {
    if (!OutputOpen() || data == nullptr) return;
    for (std::uint32_t i = 0; i < outCount_; ++i) {
        WaveHeader& h = outHeaders_[i];
        if (h.data != data) continue;
        // A buffer never plays more than it holds.
        if (length > outSize_) length = outSize_;
        if (length != h.bufferLength) {
            waveOut_->Unprepare(h);
            h.bufferLength = length;
            waveOut_->Prepare(h);
        }
        UserWord(h).fetch_or(kQueuedBit, std::memory_order_acq_rel);
        outQueued_.fetch_add(1, std::memory_order_acq_rel);
        if (waveOut_->Write(h) != Result::NoError) {
            // Not queued: the buffer is free again at once.
            outQueued_.fetch_sub(1, std::memory_order_acq_rel);
            UserWord(h).fetch_and(~kQueuedBit, std::memory_order_release);
        }
        return;
    }
}

void RC_AudioWave::ResetOutput() {
    if (OutputOpen()) waveOut_->Reset();
}

int RC_AudioWave::CanOpen() {
    auto good = [this](bool input) {
        if (input ? InputOpen() : OutputOpen()) return true;
        const long id = input ? DeviceIdFor(inIndex_, inNames_) : DeviceIdFor(outIndex_, outNames_);
        if (id < 0) return false;
        if (input) {
            std::unique_ptr<WaveIn> none;
            return WaveIn::Open(none, static_cast<std::uint32_t>(id), format_, nullptr, true) ==
                   Result::NoError;
        }
        std::unique_ptr<WaveOut> none;
        return WaveOut::Open(none, static_cast<std::uint32_t>(id), format_, nullptr, true) ==
               Result::NoError;
    };
    if ((direction_ & kInput) && !good(true)) return 0;
    if ((direction_ & kOutput) && !good(false)) return 0;
    return 1;
}

void RC_AudioWave::SetInputCallback(InputCallback callback, void* user) {
    inCallback_ = callback;
    inUser_ = user;
}

void RC_AudioWave::SetOutputCallback(OutputCallback callback, void* user) {
    outCallback_ = callback;
    outUser_ = user;
}

// ---- settings -------------------------------------------------------------------------------

void RC_AudioWave::SetInBufferSize(std::uint32_t bytes) {
    WithRestart(InputOpen(), [&] { inSize_ = RoundUpTo4(bytes); });
}

void RC_AudioWave::SetOutBufferSize(std::uint32_t bytes) {
    WithRestart(OutputOpen(), [&] { outSize_ = RoundUpTo4(bytes); });
}

void RC_AudioWave::SetInBufferCount(std::uint32_t count) {
    WithRestart(InputOpen(), [&] { inCount_ = count; });
}

void RC_AudioWave::SetOutBufferCount(std::uint32_t count) {
    WithRestart(OutputOpen(), [&] { outCount_ = count < kMinOutCount ? kMinOutCount : count; });
}

void RC_AudioWave::SetSampleRate(std::uint32_t rate) {
    WithRestart(true, [&] {
        format_.samplesPerSec = rate;
        ComputeFormat();
    });
}

void RC_AudioWave::SetBitsPerSample(int bits) {
    if (bits != 8 && bits != 16) return;
    WithRestart(true, [&] {
        format_.bitsPerSample = static_cast<std::uint16_t>(bits);
        ComputeFormat();
    });
}

void RC_AudioWave::SetChannels(int channels) {
    if (channels != 1 && channels != 2) return;
    WithRestart(true, [&] {
        format_.channels = static_cast<std::uint16_t>(channels);
        ComputeFormat();
    });
}

void RC_AudioWave::SetDirection(int direction) {
    WithRestart(true, [&] { direction_ = direction & kBoth; });
}

// ---- devices --------------------------------------------------------------------------------

long RC_AudioWave::DeviceIdFor(int index, const RC_StringList& names) const {
    if (index < 0 || static_cast<std::size_t>(index) >= names.Count()) return -1;
    if (FlagsA() & kFlagNoDefaultEntry) return index;
    return index == 0 ? static_cast<long>(kWaveMapper) : index - 1;
}

int RC_AudioWave::KindOfName(const char* name, bool input) {
    if (name == nullptr || std::strstr(name, "Talvenor") == nullptr) return kPlain;
    return EndsWith(name, input ? " I" : " O") ? kVirtualWave : kVirtualDevice;
}

void RC_AudioWave::UpdateKinds() {
    inKind_ = inIndex_ >= 0 ? KindOfName(inNames_.Item(static_cast<std::size_t>(inIndex_)), true)
                            : kPlain;
    outKind_ = outIndex_ >= 0
                   ? KindOfName(outNames_.Item(static_cast<std::size_t>(outIndex_)), false)
                   : kPlain;
    if (inKind_ == kVirtualDevice || outKind_ == kVirtualDevice) OpenVirtualCard();
    else CloseVirtualCard();
}

void RC_AudioWave::OpenVirtualCard() {
    if (cardRender_) return;
    const auto paths = plat::audio::VirtualCardInterfaces();
    if (paths.empty()) return;
    auto capture = std::make_unique<plat::audio::VirtualCardHandle>();
    auto render = std::make_unique<plat::audio::VirtualCardHandle>();
    if (capture->Open(paths.front() + vsc::kCaptureReference) != 0 ||
        render->Open(paths.front() + vsc::kRenderReference) != 0)
        return;
    cardCapture_ = std::move(capture);
    cardRender_ = std::move(render);
}

void RC_AudioWave::CloseVirtualCard() {
    cardCapture_.reset();
    cardRender_.reset();
}

void RC_AudioWave::SetInDevice(int index) {
    if (index == inIndex_ || index < 0 || static_cast<std::size_t>(index) >= inNames_.Count())
        return;
    WithRestart(InputOpen(), [&] {
        inIndex_ = index;
        UpdateKinds();
    });
}

void RC_AudioWave::SetOutDevice(int index) {
    if (index == outIndex_ || index < 0 || static_cast<std::size_t>(index) >= outNames_.Count())
        return;
    WithRestart(OutputOpen(), [&] {
        outIndex_ = index;
        UpdateKinds();
    });
}

int RC_AudioWave::SetInDeviceByName(const char* name) {
    const long index = inNames_.Find(name);
    if (index >= 0) SetInDevice(static_cast<int>(index));
    return static_cast<int>(index);
}

int RC_AudioWave::SetOutDeviceByName(const char* name) {
    const long index = outNames_.Find(name);
    if (index >= 0) SetOutDevice(static_cast<int>(index));
    return static_cast<int>(index);
}

void RC_AudioWave::FillList(RC_StringList& list, bool input) {
    list.Clear();
    if (!(FlagsA() & kFlagNoDefaultEntry)) list.Add(kDefaultDeviceName);
    const std::uint32_t count = input ? WaveIn::DeviceCount() : WaveOut::DeviceCount();
    for (std::uint32_t id = 0; id < count; ++id) {
        WaveCaps caps{};
        const Result r = input ? WaveIn::GetCaps(id, caps) : WaveOut::GetCaps(id, caps);
        if (r != Result::NoError) continue;
        caps.name[31] = '\0';
        list.Add(caps.name);
    }
}

void RC_AudioWave::EnumerateDevices() {
    // Selections are kept by name: ids move when devices come and go.
    RC_String inName, outName;
    const bool hadIn = inIndex_ >= 0, hadOut = outIndex_ >= 0;
    if (hadIn) inName.Assign(inNames_.Item(static_cast<std::size_t>(inIndex_)));
    if (hadOut) outName.Assign(outNames_.Item(static_cast<std::size_t>(outIndex_)));
    FillList(inNames_, true);
    FillList(outNames_, false);
    auto reselect = [](const RC_StringList& names, bool had, const RC_String& name) {
        if (!had) return -1;
        const long found = names.Find(name.Text());
        return found >= 0 ? static_cast<int>(found) : (names.Count() != 0 ? 0 : -1);
    };
    inIndex_ = reselect(inNames_, hadIn, inName);
    outIndex_ = reselect(outNames_, hadOut, outName);
    UpdateKinds();
}

void RC_AudioWave::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    const bool defaultChanged = ((a ^ FlagsA()) & kFlagNoDefaultEntry) != 0;
    if (!defaultChanged) {
        RC_Object::OnFlagsChanged(a, b);
        return;
    }
    WithRestart(true, [&] {
        RC_Object::OnFlagsChanged(a, b);
        const bool removeDefault = a & kFlagNoDefaultEntry;
        auto move = [removeDefault](RC_StringList& names, int& index) {
            if (removeDefault) {
                if (names.Count() != 0) names.Delete(0);
                // The default entry had no device of its own: the first device stands for it.
                if (index > 0) --index;
            } else {
                names.Insert(0, kDefaultDeviceName);
                if (index >= 0) ++index;
            }
            if (static_cast<std::size_t>(index) >= names.Count()) index = names.Count() ? 0 : -1;
        };
        move(inNames_, inIndex_);
        move(outNames_, outIndex_);
    });
}

bool RC_AudioWave::AskVirtualWave(int direction, WaveFormat& offered) {
    const bool input = direction == kInput;
    const long id = DeviceIdFor(input ? inIndex_ : outIndex_, input ? inNames_ : outNames_);
    if (id < 0) return false;
    // The card's wave driver takes a format record with its property request in the extension
    // and writes its answer over it.
    std::uint8_t record[sizeof(WaveFormat) + vsc::kPropertyExtension] = {};
    WaveFormat query{};
    query.formatTag = vsc::kPropertyTag;
    query.extraSize = vsc::kPropertyExtension;
    std::memcpy(record, &query, sizeof query);
    std::uint8_t* extension = record + sizeof query;
    std::memcpy(extension + vsc::kPropertyTextAt, vsc::kPropertyQuestion, std::strlen(vsc::kPropertyQuestion) + 1);
    extension[vsc::kPropertyRequestAt] = 3;
    extension[vsc::kPropertyRequestAt + 1] = 6;
    extension[vsc::kPropertyRequestAt + 2] = 0;
    // Each direction asks its own device: the render device is a wave-out device here, with an id
    // of its own.
    const auto device = static_cast<std::uint32_t>(id);
    const Result r = input ? WaveIn::QueryFormat(device, record, sizeof record)
                           : WaveOut::QueryFormat(device, record, sizeof record);
    std::memcpy(&offered, record, sizeof offered);
    return r == Result::NoError && offered.formatTag != 0 &&
           std::memcmp(extension + vsc::kPropertyTextAt, vsc::kPropertyAnswer,
                       std::strlen(vsc::kPropertyAnswer) + 1) == 0;
}

bool RC_AudioWave::AskVirtualDevice(int direction, WaveFormat& offered) {
    if (!cardRender_) return false;
    const bool input = direction == kInput;
    const int index = input ? inIndex_ : outIndex_;
    const RC_StringList& names = input ? inNames_ : outNames_;
    if (index < 0 || static_cast<std::size_t>(index) >= names.Count()) return false;
    // The pin's number stands in the device name from its 28th character.
    const char* name = names.Item(static_cast<std::size_t>(index));
    const long number = std::strlen(name) >= 28 ? std::strtol(name + 27, nullptr, 10) : 0;
    const std::uint32_t in[2] = {vsc::kPinFormat, static_cast<std::uint32_t>(number - 1)};
    std::uint8_t out[100] = {};
    std::uint64_t bytes = 0;
    if (cardRender_->Control(vsc::kIoctlPin, in, sizeof in, out, sizeof out, &bytes) != 0) return false;
    std::uint32_t present = 0;
    std::memcpy(&present, out + (input ? 76 : 72), sizeof present);
    if (present == 0) return false;
    std::memcpy(&offered, out + 32, sizeof offered);
    return true;
}

int RC_AudioWave::QueryVirtualFormat(int direction) {
    if (direction != kInput && direction != kOutput) return 0;
    const int kind = direction == kInput ? inKind_ : outKind_;
    WaveFormat offered{};
    if (kind == kVirtualWave) {
        if (!AskVirtualWave(direction, offered)) return 0;
    } else if (kind == kVirtualDevice) {
        if (!AskVirtualDevice(direction, offered)) return 0;
    } else {
        return 0;
    }
    // Only a format this object can run is adopted.
    if ((offered.bitsPerSample != 8 && offered.bitsPerSample != 16) ||
        (offered.channels != 1 && offered.channels != 2) || offered.samplesPerSec == 0)
        return 0;
    format_.bitsPerSample = offered.bitsPerSample;
    format_.channels = offered.channels;
    ComputeFormat();
    if (offered.samplesPerSec != format_.samplesPerSec) SetSampleRate(offered.samplesPerSec);
    return 1;
}
