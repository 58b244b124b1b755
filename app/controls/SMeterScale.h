#pragma once
// The numbers of the S-meter's scale: the S-unit levels and labels, the microvolt marks, and the
// read-out text for a level in dBm. Kept apart from the drawing so they can be checked exactly.

#include <string>
#include <vector>

namespace lxq {

inline constexpr int kSUnitCount = 16;

// Level of S-unit index 0..15 in dBm (S1..S9 6 dB apart, then S9+10 dB .. S9+70 dB); 20 dB lower
// below 30 MHz.
double SUnitLevel(int index, bool under30MHz);
// "1" .. "9", "9+10dB" .. "9+70dB".
const char* SUnitLabel(int index);

inline constexpr int kMicrovoltMarkCount = 4;
// 0.1, 1, 10 and 100 µV.
double MicrovoltMark(int index);
// The dBm value at which a voltage (µV, into 50 ohms) sits; peak-to-peak voltages are taken as
// u / (2 sqrt 2).
double MicrovoltDbm(double microvolts, bool peakToPeak);

// The values of the dBm labels: Min to Max at every big tick (fewer than two big ticks count as
// two).
std::vector<double> ScaleLabelValues(double min, double max, int numBigTicks);

// What the read-out shows for a level: "-73 dBm", "S9+10dB" or "1.0 µV"; empty when no read-out
// is switched on.
std::string SMeterReadout(double dbm, bool showDbm, bool showSUnits, bool showUV, bool showPP);

} // namespace lxq
