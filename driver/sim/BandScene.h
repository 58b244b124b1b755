#pragma once
// The band every simulated receiver of a driver host hears: a noise floor and stations with a
// level, a modulation and its parameters. A scene is read from a text file, one statement a line:
//
//     # '#' starts a comment; fields are separated by blanks
//     noise LEVEL_DBM
//     station FREQ_HZ LEVEL_DBM MOD [key=value]...
//
// MOD is carrier, am, fm, usb, lsb or cw; the keys are tone=HZ, depth=0..1 (am), deviation=HZ
// (fm), ctcss=HZ (fm), dcs=NNN or dcs=NNNi (fm, octal, i inverted) and name=TEXT. A file with a
// bad line is refused whole, naming the line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lxq::sim {

enum class Modulation { Carrier, Am, Fm, Usb, Lsb, Cw };

struct SceneStation {
    std::uint32_t frequencyHz = 0;
    double levelDbm = 0.0;   // at the antenna, as the S-meter reads a carrier with default gains
    Modulation modulation = Modulation::Carrier;
    double toneHz = 1000.0;  // the modulating tone; for usb/lsb the audio of the sideband
    double depth = 0.5;      // am
    double deviationHz = 2500.0; // fm (75 kHz by default for broadcast stations)
    double ctcssHz = 0.0;    // fm: a sub-audible tone at 15 % of the deviation; 0 none
    int dcsCode = -1;        // fm: the code's value (octal 023 is 19); -1 none
    bool dcsInverted = false;
    std::string name;

    // Where the station's energy sits: a sideband lies a tone away from the carrier frequency.
    double SignalHz() const;
};

class BandScene {
public:
    static constexpr double kDefaultNoiseDbm = -120.0;

    double noiseDbm = kDefaultNoiseDbm;
    std::vector<SceneStation> stations;

    // The scene of a text; nothing on error, with `error` set to "line N: what is wrong".
    static std::optional<BandScene> Parse(std::string_view text, std::string* error = nullptr);
    // Longest scene file read: thousands of stations.
    static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 20;

    // The scene of a file; nothing on error ("PATH: line N: ...", "PATH: cannot be read",
    // "PATH: not a plain file" or "PATH: larger than ...").
    static std::optional<BandScene> Load(const std::string& path, std::string* error = nullptr);
    // The scene of a host started without one: stations a user finds at once.
    static const BandScene& Default();
};

const char* ModulationName(Modulation modulation);

} // namespace lxq::sim
