#pragma once
// The sound card's mixer as the demodulator uses it: the recording destination's source
// selector, mute and volume, and one source line's mute and volume. A hidden window receives the
// mixer's change notices and the system's device-change notices; the mixer list is rebuilt 8 s
// after a device arrived or left, when the system has settled.

#include "demod/dsp/RC_Object.h"
#include "demod/dsp/RC_StringList.h"
#include "platform/audio/Mixer.h"

#include <memory>
#include <string>
#include <vector>

class RC_AudioWave;

class RC_AudioMixer : public RC_Object {
public:
    // Flag word A: the mixer follows the selected wave-in device (else it is chosen by name).
    static constexpr std::uint32_t kFlagFollowWaveIn = 0x1;
    static constexpr std::uint32_t kRescanMessage = 0x8000;
    static constexpr std::int64_t kRescanDelaySeconds = 8;
    static constexpr const char* kWindowClass = "RC_AudioMixer_Q745DemodPro";
    // Unregisters the mixers' window class once no mixer is left (the library unloads): its
    // procedure lives in this library, and a later load registers its own.
    static void ReleaseClass();

    using ChangeCallback = void (*)(void* user, RC_AudioMixer* mixer);

    RC_AudioMixer();
    ~RC_AudioMixer() override;

    void SetDeviceByName(const char* name);
    void SetDeviceFromWaveIn(const RC_AudioWave& wave);
    void SetDestinationType(std::uint32_t componentType);
    void SetSourceLine(int index);

    int IsMuted() const;
    void SetMute(int value);
    // Mixer units, 0 to 65535.
    std::uint32_t GetVolume() const;
    void SetVolume(std::uint32_t value);
    void SelectRecordSource(int index, std::uint32_t value);
    void EnumerateMixers();

    void SetDestinationMuteCallback(ChangeCallback cb, void* user) { destMuteCb_ = {cb, user}; }
    void SetSourceMuteCallback(ChangeCallback cb, void* user) { srcMuteCb_ = {cb, user}; }
    void SetSourceVolumeCallback(ChangeCallback cb, void* user) { srcVolumeCb_ = {cb, user}; }

    bool IsOpen() const { return mixer_ != nullptr; }
    int MixerIndex() const { return mixerIndex_; }
    int SourceLine() const { return sourceLine_; }
    const RC_StringList& MixerNames() const { return mixerNames_; }
    const RC_StringList& SourceNames() const { return sourceNames_; }
    std::uint32_t Window() const { return window_; }
    // The recording selector's item values (empty without a selector).
    std::vector<std::uint32_t> SelectorValues() const { return destSelector_.values; }

private:
    struct Control {
        long id = -1; // -1: the line has no such control
        std::vector<std::uint32_t> values;
        std::vector<std::string> items;
    };
    struct Callback {
        ChangeCallback fn = nullptr;
        void* user = nullptr;
    };

    static std::intptr_t WindowProc(std::uint32_t hwnd, std::uint32_t msg, std::uintptr_t wParam,
                                    std::intptr_t lParam);
    void OnControlChange(std::uint32_t controlId);
    void OnRescan(std::intptr_t stamp);
    void OpenMixer();
    void CloseMixer();
    void ReadLines();
    void ReadSourceControls();
    void Reread(Control& control);
    void Write(Control& control);
    const plat::audio::MixerLine* Destination(const std::vector<plat::audio::MixerLine>& all) const;

    Control destMute_, destVolume_, destSelector_, srcMute_, srcVolume_;
    std::uint32_t destType_ = plat::audio::kComponentDstWaveIn;
    std::unique_ptr<plat::audio::Mixer> mixer_;
    int mixerIndex_ = -1;
    std::uint32_t window_ = 0;
    std::uint32_t notification_ = 0;
    int sourceLine_ = -1;
    std::uint32_t sourceType_ = 0;
    RC_StringList sourceNames_;
    RC_StringList mixerNames_;
    long waveInId_ = -1;
    Callback destMuteCb_, srcMuteCb_, srcVolumeCb_;
};
