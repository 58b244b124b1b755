#pragma once
// The IF a simulated receiver delivers: the scene's stations within reach of the tuned frequency,
// modulated as the scene says, placed around the IF centre (mirrored when the receiver's mixing
// inverts the spectrum), plus the noise, as 16-bit samples at the output rate. In FM-wide mode
// the receiver demodulates itself, so the output is the audio of the FM stations in reach.
// Amplitudes follow the levels at the detector: 20 dB is ten times the amplitude.
//
// The cost of a block must not grow with the scene: of the stations in the passband only the
// kMaxAudibleStations strongest are synthesised (a dense scene's weaker ones are left out; they
// would sit far below the strongest anyway).
//
// Rendering is continuous: oscillators keep their phase from one block to the next. One
// synthesiser serves one stream; it takes no lock (the scene is taken once per block).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/sim/BandScene.h"
#include "driver/sim/SceneLevel.h"

namespace lxq::sim {

// What the receiver is set to, as far as its IF is concerned.
struct IfTuning {
    std::uint32_t tunedHz = 0;                       // 0: not tuned, noise alone
    std::uint32_t bandwidthHz = kNarrowIfBandwidthHz;
    double ifCentreHz = 12000.0;                     // where the tuned frequency lands
    bool inverted = false;                           // mixing mirrors the spectrum
    bool wideFm = false;                             // the output is demodulated wide FM
    SceneGains gains;
    double ifGainDb = 0.0;                           // what the IF gain control does (0 or less)
};

// The most stations heard in one passband.
inline constexpr std::size_t kMaxAudibleStations = 32;

// A carrier at this level (at the detector) comes out with an amplitude of kReferenceAmplitude.
inline constexpr double kReferenceLevelDbm = -30.0;
inline constexpr double kReferenceAmplitude = 16384.0;

class SceneIfSynthesizer {
public:
    explicit SceneIfSynthesizer(double sampleRate);
    ~SceneIfSynthesizer();

    double SampleRate() const { return rate_; }

    // Renders `count` samples of the IF for the tuning from the current scene (LiveScene), or
    // from `scene` when one is given.
    void Render(const IfTuning& tuning, std::int16_t* out, std::size_t count);
    void Render(const IfTuning& tuning, const BandScene& scene, std::int16_t* out, std::size_t count);

private:
    struct Voice;
    Voice& VoiceFor(const SceneStation& station, std::size_t index);

    double rate_;
    std::uint64_t noiseState_ = 0x9E3779B97F4A7C15ull;
    // The stations heard in this block: the scene's indices, in the scene's order.
    void ChooseAudible(const IfTuning& tuning, const BandScene& scene);

    std::vector<std::unique_ptr<Voice>> voices_;
    std::vector<std::size_t> audible_;
    std::vector<float> mix_;
};

} // namespace lxq::sim
