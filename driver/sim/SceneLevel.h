#pragma once
// The level model of the simulated receivers: what the detector sees of the scene at the tuned
// frequency (the power sum of the stations inside the IF bandwidth, plus the noise, less what the
// attenuator takes, plus what the preamplifier gives), and the detector words that the driver
// reads back as that level. The calibration tool uses the same model.

#include <cstdint>
#include <vector>

#include "driver/LX_Q7_EEPROM.h"
#include "driver/sim/BandScene.h"

namespace lxq::sim {

// The receiver's IF filters: the narrow one ahead of the codec, and the one of FM-wide mode.
inline constexpr std::uint32_t kNarrowIfBandwidthHz = 20'000;
inline constexpr std::uint32_t kWideIfBandwidthHz = 200'000;
// What the gains do to the level at the detector (the program's calibration takes them out).
inline constexpr double kAttenuatorDb = 18.0;
inline constexpr double kPreampDb = 16.0;

// The receiver's default gains, as it powers up: attenuator and preamplifier off. A scene's
// levels are what the detector reads with them.
struct SceneGains {
    bool attenuator = false;
    bool preamp = false;
};

// The detector's level for a level at the antenna.
double WithGains(double dbm, SceneGains gains);

// dBm at the detector for the receiver tuned to tunedHz with the given IF bandwidth.
double SceneLevelDbm(const BandScene& scene, std::uint32_t tunedHz, std::uint32_t bandwidthHz, SceneGains gains = {});

// The IF gain control of the simulated receivers, as the gain bytes of the tuner state (16..23)
// set it. With the AGC on (byte 16 below its full value) the IF runs at full gain until the level
// in the IF bandwidth passes the AGC threshold, and above it the gain falls as fast as the level
// rises: a strong station stays well clear of the codec's full scale. The IF1 gain (byte 17 in
// the AGC modes) sets the threshold, one dB a step. With the AGC off (byte 16 full) byte 17 is the
// manual IF gain, one dB less gain a step: turned up, a strong station clips as on a real set.
inline constexpr std::uint8_t kFullGainByte = 63;
inline constexpr double kAgcThresholdAtIf1GainZeroDbm = -70.0;
// The IF gain in dB (0 or less) for the gain bytes and the level in the IF bandwidth (at the
// detector, the preamplifier and attenuator included). Bytes never programmed (all 0) leave the
// IF at full gain.
double IfGainDb(const std::uint8_t (&gain)[8], double levelDbm);

struct DetectorWords {
    std::uint16_t a;
    std::uint16_t b;
};

// Detector words for levels under one EEPROM calibration: built once per image (a table of
// every reachable level), then a lookup per measurement.
class DetectorModel {
public:
    // `topWord`: the largest word the connection carries (2047, or 1023 for an averaging card).
    DetectorModel(const LX_Q7_EEPROM& image, std::int32_t topWord);

    // The words the driver reads as the level nearest `dbm` under AGC mode `agcMode` (its
    // correction of word b undone) or in FM-wide mode.
    DetectorWords Words(double dbm, std::uint8_t agcMode, bool fmWide) const;
    // The level (tenths of dBm) the driver computes from the words.
    std::int32_t ReadBack(DetectorWords words, std::uint8_t agcMode, bool fmWide) const;

private:
    struct Entry {
        std::int32_t level;
        DetectorWords words;
    };
    LX_Q7_EEPROM image_;
    std::int32_t top_;
    std::vector<Entry> narrow_; // by rising level
    std::vector<Entry> wide_;
};

} // namespace lxq::sim
