#include "driver/sim/BandScene.h"

#include "platform/sys/AtomicFile.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lxq::sim {
namespace {

constexpr std::uint32_t kBroadcastFmLow = 87'500'000;
constexpr std::uint32_t kBroadcastFmHigh = 108'000'000;
constexpr double kBroadcastDeviationHz = 75'000.0;

struct Modulations {
    const char* name;
    Modulation modulation;
};
constexpr Modulations kModulations[] = {{"carrier", Modulation::Carrier}, {"am", Modulation::Am},
                                        {"fm", Modulation::Fm},           {"usb", Modulation::Usb},
                                        {"lsb", Modulation::Lsb},         {"cw", Modulation::Cw}};

// A whole number or decimal fraction, nothing after it.
bool Number(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

class LineError {
public:
    std::string text;
};

double Ranged(const std::string& what, const std::string& text, double low, double high) {
    double value = 0.0;
    if (!Number(text, value)) throw LineError{what + " \"" + text + "\" is not a number"};
    if (value < low || value > high) {
        std::ostringstream message;
        message << what << " " << text << " is outside " << low << ".." << high;
        throw LineError{message.str()};
    }
    return value;
}

void Dcs(const std::string& text, SceneStation& station) {
    std::string digits = text;
    station.dcsInverted = !digits.empty() && (digits.back() == 'i' || digits.back() == 'I');
    if (station.dcsInverted) digits.pop_back();
    if (digits.size() != 3) throw LineError{"dcs \"" + text + "\" is not three octal digits (NNN or NNNi)"};
    int code = 0;
    for (char c : digits) {
        if (c < '0' || c > '7') throw LineError{"dcs \"" + text + "\" is not three octal digits (NNN or NNNi)"};
        code = code * 8 + (c - '0');
    }
    station.dcsCode = code;
}

SceneStation Station(const std::vector<std::string>& words) {
    if (words.size() < 4) throw LineError{"a station needs FREQ_HZ LEVEL_DBM MOD"};
    SceneStation s;
    s.frequencyHz = static_cast<std::uint32_t>(Ranged("frequency", words[1], 1.0, 4294967295.0));
    if (static_cast<double>(s.frequencyHz) != std::strtod(words[1].c_str(), nullptr))
        throw LineError{"frequency " + words[1] + " is not a whole number of Hz"};
    s.levelDbm = Ranged("level", words[2], -200.0, 30.0);
    bool known = false;
    for (const auto& m : kModulations) {
        if (words[3] == m.name) {
            s.modulation = m.modulation;
            known = true;
        }
    }
    if (!known) throw LineError{"modulation \"" + words[3] + "\" is none of carrier, am, fm, usb, lsb, cw"};
    if (s.modulation == Modulation::Fm && s.frequencyHz >= kBroadcastFmLow && s.frequencyHz <= kBroadcastFmHigh)
        s.deviationHz = kBroadcastDeviationHz;

    std::vector<std::string> seen;
    for (std::size_t i = 4; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto equals = word.find('=');
        if (equals == std::string::npos || equals == 0) throw LineError{"\"" + word + "\" is not key=value"};
        const std::string key = word.substr(0, equals), value = word.substr(equals + 1);
        for (const auto& k : seen)
            if (k == key) throw LineError{"key " + key + " is given twice"};
        seen.push_back(key);
        const bool fm = s.modulation == Modulation::Fm;
        if (key == "tone") {
            s.toneHz = Ranged("tone", value, 1.0, 15'000.0);
        } else if (key == "depth") {
            if (s.modulation != Modulation::Am) throw LineError{"depth is for am stations"};
            s.depth = Ranged("depth", value, 0.0, 1.0);
        } else if (key == "deviation") {
            if (!fm) throw LineError{"deviation is for fm stations"};
            s.deviationHz = Ranged("deviation", value, 1.0, 100'000.0);
        } else if (key == "ctcss") {
            if (!fm) throw LineError{"ctcss is for fm stations"};
            s.ctcssHz = Ranged("ctcss", value, 30.0, 300.0);
        } else if (key == "dcs") {
            if (!fm) throw LineError{"dcs is for fm stations"};
            Dcs(value, s);
        } else if (key == "name") {
            if (value.empty()) throw LineError{"name is empty"};
            s.name = value;
        } else {
            throw LineError{"unknown key \"" + key + "\" (tone, depth, deviation, ctcss, dcs, name)"};
        }
    }
    if (s.ctcssHz > 0.0 && s.dcsCode >= 0) throw LineError{"a station has ctcss or dcs, not both"};
    return s;
}

} // namespace

double SceneStation::SignalHz() const {
    if (modulation == Modulation::Usb) return frequencyHz + toneHz;
    if (modulation == Modulation::Lsb) return frequencyHz - toneHz;
    return frequencyHz;
}

const char* ModulationName(Modulation modulation) {
    for (const auto& m : kModulations)
        if (m.modulation == modulation) return m.name;
    return "?";
}

std::optional<BandScene> BandScene::Parse(std::string_view text, std::string* error) {
    BandScene scene;
    bool noiseGiven = false;
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line(text.substr(at, end - at));
        at = end + 1;
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;) words.push_back(word);
        if (words.empty()) continue;
        try {
            if (words[0] == "noise") {
                if (words.size() != 2) throw LineError{"noise takes one level, LEVEL_DBM"};
                if (noiseGiven) throw LineError{"the noise is given twice"};
                scene.noiseDbm = Ranged("noise", words[1], -200.0, 30.0);
                noiseGiven = true;
            } else if (words[0] == "station") {
                scene.stations.push_back(Station(words));
            } else {
                throw LineError{"\"" + words[0] + "\" is neither noise nor station"};
            }
        } catch (const LineError& e) {
            if (error) *error = "line " + std::to_string(number) + ": " + e.text;
            return std::nullopt;
        }
    }
    return scene;
}

std::optional<BandScene> BandScene::Load(const std::string& path, std::string* error) {
    // A scene is a short text: what is no plain file, or far too long to be one, is refused
    // before it can fill the memory or hold the reader (a link to an endless device, a named
    // pipe, a folder).
    plat::sys::FileRead read = plat::sys::ReadPlainFileWithin(path, kMaxFileBytes);
    std::string why;
    switch (read.outcome) {
    case plat::sys::ReadOutcome::Read: break;
    case plat::sys::ReadOutcome::NotAFile: why = "not a plain file"; break;
    case plat::sys::ReadOutcome::TooLarge:
        why = "larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB, not a scene";
        break;
    case plat::sys::ReadOutcome::Missing:
    case plat::sys::ReadOutcome::Failed: why = "cannot be read"; break;
    }
    if (why.empty()) {
        auto scene = Parse(read.bytes, &why);
        if (scene) return scene;
    }
    if (error) *error = path + ": " + why;
    return std::nullopt;
}

const BandScene& BandScene::Default() {
    static const BandScene scene = *Parse(R"(
noise -120
station 1000000 -53 am tone=1000 depth=0.5 name=MW-1000
station 88500000 -55 fm tone=1000 name=FM-88.5
station 94200000 -62 fm tone=700 name=FM-94.2
station 101100000 -48 fm tone=400 name=FM-101.1
station 14200000 -73 usb tone=1200 name=SSB-20m
station 14100000 -85 cw name=Beacon-20m
station 145500000 -70 fm tone=1000 ctcss=88.5 name=NFM-145.500
station 145525000 -80 fm tone=800 ctcss=123.0 name=NFM-145.525
station 145550000 -75 fm tone=1000 dcs=023 name=NFM-145.550
station 145600000 -90 fm tone=600 name=NFM-145.600
)");
    return scene;
}

} // namespace lxq::sim
