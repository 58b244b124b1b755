#pragma once
// What every simulated receiver holds, whatever its connection: the EEPROM, the model, power, the
// tuner fields as last written, the synthesiser lock (which can be told when, or whether, to
// come) and the detector words that give a chosen signal level. Thread-safe: the transport, the
// simulator's own threads and the test all reach it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "driver/LX_Q7_EEPROM.h"
#include "driver/TunerState.h"
#include "driver/sim/SceneIfSynthesizer.h"
#include "driver/sim/SceneLevel.h"
#include "driver/sim/SimEeprom.h"
#include "driver/sim/TunedFrequency.h"

namespace lxq::sim {

enum class LockMode {
    Immediate, // both loops locked whenever asked
    AfterReads, // locked after a number of status reads following each tune
    Never,      // never locks
};

class SimReceiver {
public:
    explicit SimReceiver(SimVariant variant, ImageKind kind = ImageKind::Valid);

    SimVariant Variant() const { return variant_; }

    LX_Q7_EEPROM Image() const;
    void SetImage(const LX_Q7_EEPROM& image);
    std::uint8_t EepromByte(std::uint8_t address) const;
    void WriteEepromByte(std::uint8_t address, std::uint8_t value);
    int EepromWrites() const;

    bool Powered() const;
    void SetPowered(bool on);
    bool FmWide() const;
    void SetFmWide(bool on);

    TunerState Tuner() const;
    void SetTuner(const TunerState& state);
    // Only the bytes given; the rest of the tuner state stays.
    void WriteTunerBytes(std::size_t offset, const void* bytes, std::size_t count);
    int TunerWrites() const;

    // The frequencies the synthesiser words tune to, worked back from them.
    std::optional<TunedSpan> TunedFrequency() const;
    bool IsTunedTo(std::uint32_t hz) const;

    void SetLock(LockMode mode, int reads = 0);
    // One status read: the lock bits (bit 0 first loop, bit 1 second loop).
    std::uint8_t ReadLock();

    // The band: a receiver that follows the scene (those of the driver host) measures the current
    // scene (LiveScene) at its tuned frequency, until a test pins the detector words below.
    void FollowScene(bool on);
    bool FollowsScene() const;
    // What the detector sees now, in dBm, gains included; the noise alone when not tuned.
    double SceneLevel() const;
    // What the IF carries: tuned frequency, IF bandwidth, IF centre and spectrum inversion as the
    // synthesiser words say, FM-wide mode, attenuator and preamplifier, and the IF gain that the
    // gain bytes and the level in the IF bandwidth give (SceneLevel.h).
    IfTuning IfState() const;

    // Detector words after the receiver's scaling (what the driver computes its level from).
    // Setting them pins them: the scene no longer moves them.
    void SetDetector(std::uint16_t a, std::uint16_t b);
    // Chooses detector words that the driver reads as the given level (tenths of dBm) under this
    // receiver's EEPROM calibration, or the nearest level the words can express; returns it.
    std::int32_t SetLevel(std::int32_t tenthsDbm);
    std::uint16_t DetectorA() const;
    std::uint16_t DetectorB() const;
    // Both words of one measurement (the band may change between two reads of one word each).
    DetectorWords Detector() const;

    std::uint8_t LedPattern() const;
    void SetLedPattern(std::uint8_t pattern);

private:
    void TunerChanged();
    IfTuning IfStateLocked() const;
    DetectorWords SceneWordsLocked() const;
    std::int32_t TopWord() const;

    const SimVariant variant_;
    mutable std::mutex mutex_;
    LX_Q7_EEPROM image_;
    int eepromWrites_ = 0;
    bool powered_ = false;
    bool fmWide_ = false;
    TunerState tuner_{};
    int tunerWrites_ = 0;
    LockMode lockMode_ = LockMode::Immediate;
    int lockReads_ = 0;
    int readsSinceTune_ = 0;
    std::uint16_t detectorA_ = 157; // about -100 dBm with the simulated calibration
    std::uint16_t detectorB_ = 900;
    std::uint8_t led_ = 0;
    bool followScene_ = false;
    bool pinned_ = false;
    // Built for the image it was made from; made again when the EEPROM changes.
    mutable std::unique_ptr<DetectorModel> model_;
    mutable LX_Q7_EEPROM modelImage_{};
};

} // namespace lxq::sim
