#pragma once
// The sound-card path of the demodulator: one wave-in and one wave-out device and an audio thread
// (highest priority) that hands each recorded block to the input callback and each played
// buffer back through the output callback. The owner fills output buffers with GetFreeOutBuffer
// and Write, from the audio thread's own callbacks or another thread.

#include "demod/audio/RC_Thread.h"
#include "demod/dsp/RC_Object.h"
#include "demod/dsp/RC_StringList.h"
#include "platform/audio/VirtualCardChannel.h"
#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveOut.h"

#include <atomic>
#include <memory>

class RC_AudioWave : public RC_Object {
public:
    // Flag word A.
    static constexpr std::uint32_t kFlagNoDefaultEntry = 0x1; // lists hold devices only
    static constexpr std::uint32_t kFlagMessages = 0x2;       // failures shown in message boxes
    enum Direction { kNone = 0, kInput = 1, kOutput = 2, kBoth = 3 };
    // 0 plain, 1 the virtual card through the wave interface, 2 the virtual card's own device.
    enum Kind { kPlain = 0, kVirtualWave = 1, kVirtualDevice = 2 };

    using InputCallback = void (*)(void* user, RC_AudioWave* wave, const void* data,
                                   std::uint32_t bytes);
    using OutputCallback = void (*)(void* user, RC_AudioWave* wave, void* data,
                                    std::uint32_t length);

    static constexpr const char* kDefaultDeviceName = "Windows default";
    static constexpr std::uint32_t kQueuedBit = 0x80000000u; // in an output header's user word
    static constexpr std::uint32_t kHeaderBytes = 32;

    RC_AudioWave(int channels, int bitsPerSample, int sampleRate, int direction);
    ~RC_AudioWave() override;

    // 1 when the devices run (or already ran, or nothing is to be started); 0 when no device
    // could be opened.
    int Start();
    // 1 after stopping the running devices; 0 when nothing was open.
    int Stop();
    void Signal();
    void* GetFreeOutBuffer();
    void Write(void* data, std::uint32_t length);
    void ResetOutput();
    int CanOpen();

    void SetInputCallback(InputCallback callback, void* user);
    void SetOutputCallback(OutputCallback callback, void* user);

    void SetInBufferSize(std::uint32_t bytes);
    void SetOutBufferSize(std::uint32_t bytes);
    void SetInBufferCount(std::uint32_t count);
    void SetOutBufferCount(std::uint32_t count);
    void SetSampleRate(std::uint32_t rate);
    void SetBitsPerSample(int bits);
    void SetChannels(int channels);
    void SetDirection(int direction);

    void SetInDevice(int index);
    void SetOutDevice(int index);
    // -1 when the name is not listed.
    int SetInDeviceByName(const char* name);
    int SetOutDeviceByName(const char* name);
    void EnumerateDevices();
    // Adopts the format the virtual sound card offers for the direction; 0 without that card.
    int QueryVirtualFormat(int direction);

    int InDevice() const { return inIndex_; }
    int OutDevice() const { return outIndex_; }
    int InKind() const { return inKind_; }
    int OutKind() const { return outKind_; }
    bool VirtualCardOpen() const { return cardRender_ != nullptr; }
    const RC_StringList& InDeviceNames() const { return inNames_; }
    const RC_StringList& OutDeviceNames() const { return outNames_; }
    const plat::audio::WaveFormat& Format() const { return format_; }
    std::uint32_t InBufferSize() const { return inSize_; }
    std::uint32_t OutBufferSize() const { return outSize_; }
    std::uint32_t InBufferCount() const { return inCount_; }
    std::uint32_t OutBufferCount() const { return outCount_; }
    // Output buffers written and not yet played back (from any thread).
    std::uint32_t QueuedOutCount() const { return outQueued_.load(std::memory_order_acquire); }
    int GetDirection() const { return direction_; }
    bool InputOpen() const { return inOpen_.load(std::memory_order_acquire); }
    bool OutputOpen() const { return outOpen_.load(std::memory_order_acquire); }

    // The wave device id for a list index under the current flags (kWaveMapper for the default
    // entry), or -1 outside the list.
    long DeviceIdFor(int index, const RC_StringList& names) const;
    static int KindOfName(const char* name, bool input);

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;

private:
    static void ThreadBody(void* context, RC_Thread* thread);
    void Run();
    bool OpenInput(const plat::audio::WaveFormat& format);
    bool OpenOutput(const plat::audio::WaveFormat& format);
    void CloseDevices();
    bool ServiceOutput();
    bool ServiceInput();
    void ComputeFormat();
    bool Running() const { return InputOpen() || OutputOpen(); }
    // Runs apply() with the devices stopped when they were running, and restarts them.
    template <typename Apply>
    void WithRestart(bool restart, Apply apply);
    void FillList(RC_StringList& list, bool input);
    void UpdateKinds();
    // The virtual sound card's own device (both reference paths), open while a direction is of
    // kind 2.
    void OpenVirtualCard();
    void CloseVirtualCard();
    bool AskVirtualWave(int direction, plat::audio::WaveFormat& offered);
    bool AskVirtualDevice(int direction, plat::audio::WaveFormat& offered);
    int ShowError(const char* caption, const char* text, std::uint32_t style);

    std::unique_ptr<plat::audio::VirtualCardHandle> cardCapture_;
    std::unique_ptr<plat::audio::VirtualCardHandle> cardRender_;
    int inIndex_ = -1;
    int inKind_ = kPlain;
    plat::audio::WaveCaps inCaps_{};
    int outIndex_ = -1;
    int outKind_ = kPlain;
    plat::audio::WaveCaps outCaps_{};
    plat::audio::WaveFormat format_{};
    std::uint32_t inSize_ = 1024;
    std::uint32_t inCount_ = 0;
    int direction_;
    std::uint32_t outSize_ = 1024;
    std::uint32_t outCount_ = 32;

    // Input and output buffers: count headers of 32 bytes, then the buffers, in one block.
    void* inBlock_ = nullptr;
    plat::audio::WaveHeader* inHeaders_ = nullptr;
    std::uint32_t inNext_ = 0;
    void* outBlock_ = nullptr;
    plat::audio::WaveHeader* outHeaders_ = nullptr;
    std::uint32_t outFill_ = 0;                 // owner's side
    std::atomic<std::uint32_t> outComplete_{0}; // audio thread's side
    std::atomic<std::uint32_t> outQueued_{0};

    RC_StringList inNames_;
    RC_StringList outNames_;
    InputCallback inCallback_ = nullptr;
    void* inUser_ = nullptr;
    OutputCallback outCallback_ = nullptr;
    void* outUser_ = nullptr;

    plat::sys::Event wake_{plat::sys::Event::Reset::Automatic, false};
    plat::sys::Event ack_{plat::sys::Event::Reset::Automatic, false};
    RC_Thread* thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::unique_ptr<plat::audio::WaveIn> waveIn_;
    std::unique_ptr<plat::audio::WaveOut> waveOut_;
    std::atomic<bool> inOpen_{false};
    std::atomic<bool> outOpen_{false};
    bool starting_ = false;
};
