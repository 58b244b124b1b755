#include "driver/SignalLevel.h"

namespace lxq::driver {
namespace {

struct LevelRow {
    std::int32_t raw;
    std::int32_t level;
};

constexpr int kRows = 41;
constexpr std::int32_t kRawCeiling = 9999;
constexpr std::int32_t kCeilingLevel = -800;

// Front end with the gain option.
constexpr LevelRow kTableA[kRows] = {
    {0, -1190},  {1, -1190},  {2, -1180},  {3, -1160},  {4, -1150},  {6, -1140},  {7, -1130},
    {10, -1120}, {12, -1110}, {15, -1100}, {18, -1090}, {22, -1080}, {27, -1070}, {32, -1060},
    {39, -1050}, {46, -1040}, {54, -1030}, {64, -1020}, {74, -1010}, {87, -1000}, {98, -990},
    {115, -980}, {132, -970}, {149, -960}, {171, -950}, {192, -940}, {215, -930}, {241, -920},
    {270, -910}, {303, -900}, {339, -890}, {380, -880}, {425, -870}, {471, -860}, {523, -850},
    {592, -840}, {646, -830}, {695, -820}, {739, -810}, {804, -800}, {9999, -800}};

// Front end without it.
constexpr LevelRow kTableB[kRows] = {
    {0, -1190},    {4, -1190},    {5, -1180},    {6, -1160},    {7, -1150},    {9, -1140},
    {11, -1130},   {14, -1120},   {17, -1110},   {22, -1100},   {27, -1090},   {33, -1080},
    {42, -1070},   {52, -1060},   {63, -1050},   {77, -1040},   {93, -1030},   {111, -1020},
    {132, -1010},  {157, -1000},  {185, -990},   {216, -980},   {256, -970},   {294, -960},
    {339, -950},   {459, -940},   {533, -930},   {604, -920},   {679, -910},   {763, -900},
    {854, -890},   {951, -880},   {1358, -870},  {1526, -860},  {1708, -850},  {1902, -840},
    {2716, -830},  {3052, -820},  {3416, -810},  {5432, -800},  {9999, -800}};

std::int32_t TableLevel(const LevelRow* table, std::int32_t a, bool option) {
    if (a >= kRawCeiling) return kCeilingLevel;
    int i = 1;
    while (i < kRows - 1 && table[i].raw <= a) ++i;
    std::int32_t level = table[i - 1].level;
    if (table[i].raw != table[i - 1].raw) {
        level += (a - table[i - 1].raw) * (table[i].level - table[i - 1].level) /
                 (table[i].raw - table[i - 1].raw);
        if (option) level += 5;
    }
    return level;
}

// (numerator × scale) / divisor, where a zero divisor means the calibration collapsed the AGC
// range to a point: at that point the correction is none, below it the full one.
std::int32_t Fraction(std::int32_t scale, std::int32_t numerator, std::int32_t divisor) {
    if (divisor != 0) return scale * numerator / divisor;
    return numerator > 0 ? scale : 0;
}

} // namespace

DetectorLevel LevelFromDetector(const LX_Q7_EEPROM& image, std::uint8_t agcMode, bool fmWide,
                                std::int32_t a, std::int32_t b) {
    const bool option = (image.options & kOptGain) != 0;
    const std::int32_t w0 = image.agcStart, w1 = image.agcMid, w2 = image.agcEnd;
    const std::int32_t w3 = image.dropLevel, w5 = image.rssiReference, w7 = image.rssiReference2;
    auto pair = [](std::int32_t x, std::int32_t y) {
        return (static_cast<std::uint32_t>(x) & 0xFFFFu) | (static_cast<std::uint32_t>(y) & 0xFFFFu) << 16;
    };

    if (fmWide) {
        // The repair keeps w7 in 400..1023; an unrepaired zero must not fault.
        const std::int32_t scaled = w7 != 0 ? a * 566 / w7 : 0;
        return {(scaled - 450) * 1724 / 1000 - 700, pair(a, b)};
    }
    if (!option) {
        if (agcMode == 1) b += b < 850 ? 4 : 6;
        else if (agcMode == 3 && b < 850) b -= 10;
    }
    const std::uint32_t detectorPair = pair(a, b);
    if (w5 != 0) a = a * (option ? 126 : 256) / w5;

    const std::int32_t level = TableLevel(option ? kTableA : kTableB, a, option);
    const std::int32_t h = w0 - 3;
    if (b >= h) return {level, detectorPair};
    if (!option) {
        const std::int32_t c = b > w1 ? Fraction(50, h - b, h - w1)
                                      : 50 - Fraction(w3 + 350, w1 - b, w1 - w2);
        return {level + w3 + c + 870, detectorPair};
    }
    if (b > w1) return {level + Fraction(35, h - b, h - w1) + 5, detectorPair};
    return {level + 35 - Fraction(w3 + 330, w1 - b, w1 - w2), detectorPair};
}

} // namespace lxq::driver
