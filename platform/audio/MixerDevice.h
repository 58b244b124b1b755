#pragma once
// A sound card's mixer as the back end holds it: destination lines (a recording destination
// among them) with their source lines, each line with mute, volume and, on a destination, a
// recording-source selector. Open mixer handles read and change it; every change is posted to the
// windows of the handles open on it.

#include "platform/audio/WaveTypes.h"
#include "platform/win/Types.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::audio {

inline constexpr std::uint32_t kComponentDstWaveIn = 7;
inline constexpr std::uint32_t kComponentSrcLine = 0x1002;
inline constexpr std::uint32_t kComponentSrcMicrophone = 0x1003;
inline constexpr std::uint32_t kComponentSrcCompactDisc = 0x1005;
// Posted to the window of an open mixer: wParam the mixer handle, lParam the line or control id.
inline constexpr std::uint32_t MM_MIXM_LINE_CHANGE = 0x3D0;
inline constexpr std::uint32_t MM_MIXM_CONTROL_CHANGE = 0x3D1;
inline constexpr std::uint32_t kMixerVolumeMax = 65535;

enum class MixerControlKind { Mute, Volume, Multiplexer, MixerSelect };

struct MixerControl {
    std::uint32_t id = 0;
    MixerControlKind kind = MixerControlKind::Mute;
    // One value per channel (mute, volume) or per item (selectors: 1 = selected).
    std::vector<std::uint32_t> values;
    std::vector<std::string> items; // selector item texts (the source line names)
};

struct MixerLine {
    std::uint32_t id = 0;
    std::string name;
    std::uint32_t componentType = 0;
    std::uint32_t channels = 2;
    std::vector<MixerControl> controls;
    std::vector<MixerLine> sources; // destinations only
};

class MixerDevice {
public:
    MixerDevice(std::string name, std::vector<MixerLine> destinations);

    const std::string& Name() const { return name_; }
    std::vector<MixerLine> Destinations() const;
    Result GetValues(std::uint32_t controlId, std::vector<std::uint32_t>& values) const;
    // Changes a control (values are clipped to its range) and tells every open handle's window.
    Result SetValues(std::uint32_t controlId, const std::vector<std::uint32_t>& values);

    // A recording mixer: a wave-in destination with line, microphone and CD sources, a
    // multiplexer over them (line selected), mute and volume controls.
    static std::shared_ptr<MixerDevice> MakeRecordingMixer(const std::string& name);

    void AddListener(std::uint32_t handle, win::Hwnd window);
    void RemoveListener(std::uint32_t handle);

private:
    MixerControl* FindLocked(std::uint32_t controlId);

    const std::string name_;
    mutable std::mutex mutex_;
    std::vector<MixerLine> destinations_;
    std::map<std::uint32_t, win::Hwnd> listeners_;
};

} // namespace plat::audio
