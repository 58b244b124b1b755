#include "app/controls/SMeterScale.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/controls/FloatText.h"

namespace lxq {

namespace {

constexpr std::array<double, kSUnitCount> kLevels = {-120, -114, -108, -102, -96, -90, -84, -78,
                                                     -72,  -62,  -52,  -42,  -32, -22, -12, -2};
constexpr std::array<const char*, kSUnitCount> kLabels = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9",
    "9+10dB", "9+20dB", "9+30dB", "9+40dB", "9+50dB", "9+60dB", "9+70dB"};

} // namespace

double SUnitLevel(int index, bool under30MHz) {
    return kLevels.at(static_cast<std::size_t>(index)) - (under30MHz ? 20.0 : 0.0);
}

const char* SUnitLabel(int index) { return kLabels.at(static_cast<std::size_t>(index)); }

double MicrovoltMark(int index) { return std::pow(10.0, index - 1); }

double MicrovoltDbm(double microvolts, bool peakToPeak) {
    const double u = peakToPeak ? microvolts / (2.0 * std::sqrt(2.0)) : microvolts;
    return 10.0 * std::log10(20.0 * u * u * 1e-12);
}

std::vector<double> ScaleLabelValues(double min, double max, int numBigTicks) {
    const int intervals = std::max(numBigTicks, 2) - 1;
    std::vector<double> values;
    for (int i = 0; i <= intervals; ++i) values.push_back(min + (max - min) * i / intervals);
    return values;
}

std::string SMeterReadout(double dbm, bool showDbm, bool showSUnits, bool showUV, bool showPP) {
    if (showDbm) return FormatFloat(dbm, 0, 0) + " dBm";
    if (showSUnits) {
        // The highest level strictly below; the last level (S9+70 dB) is never the answer.
        int found = -1;
        for (int i = 0; i < kSUnitCount - 1; ++i) {
            if (SUnitLevel(i, false) < dbm) found = i;
        }
        return found < 0 ? std::string("S0") : std::string("S") + SUnitLabel(found);
    }
    if (showUV) {
        double volts = std::sqrt(std::pow(10.0, dbm / 10.0) * 0.05);
        if (showPP) volts *= 2.0 * std::sqrt(2.0);
        if (volts >= 0.002) return FormatFloat(volts * 1000.0, 1, 1) + " mV";
        return FormatFloat(volts * 1e6, 1, 1) + " µV";
    }
    return {};
}

} // namespace lxq
