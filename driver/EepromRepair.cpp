#include "driver/EepromRepair.h"

#include "driver/TuningTables.h"

namespace lxq::driver {
namespace {

constexpr std::uint16_t kDefaultAgcStart = 877;
constexpr std::uint16_t kDefaultAgcMid = 828;
constexpr std::uint16_t kDefaultAgcEnd = 608;
constexpr std::int16_t kDefaultDropLevel = -870;
constexpr std::int16_t kDefaultRssiTop = -880;
constexpr std::uint16_t kDefaultRssiReference = 256;
constexpr std::uint16_t kDefaultRssiReference2 = 650;

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

bool LevelWordsValid(const LX_Q7_EEPROM& e) {
    const int w0 = e.agcStart, w1 = e.agcMid, w2 = e.agcEnd, w3 = e.dropLevel,
              w5 = e.rssiReference;
    return InRange(w0, 259, 1026) && InRange(w1, 256, 1023) && InRange(w2, 256, 1023) &&
           InRange(w3, -1100, -600) && InRange(w5, 3, 1023) && w0 - 3 >= w1 && w1 >= w2;
}

} // namespace

void RepairCalibrationWords(LX_Q7_EEPROM& image) {
    if (!LevelWordsValid(image)) {
        image.agcStart = kDefaultAgcStart;
        image.agcMid = kDefaultAgcMid;
        image.agcEnd = kDefaultAgcEnd;
        image.dropLevel = kDefaultDropLevel;
        image.rssiTop = kDefaultRssiTop;
        image.rssiReference = kDefaultRssiReference;
    }
    if (!InRange(image.rssiReference2, 400, 1023)) image.rssiReference2 = kDefaultRssiReference2;
}

void RepairCounts(LX_Q7_EEPROM& image) {
    // A count beyond the tables would make every later lookup read past them.
    if (image.bandCount > kMaxBands) image.bandCount = kMaxBands;
    if (image.synthRangeCount > kSynthRangeRows) image.synthRangeCount = kSynthRangeRows;
    while (image.bandCount != 0 && image.bandEdges[image.bandCount] == 0) --image.bandCount;
    while (image.synthRangeCount != 0 && image.synthEdges[image.synthRangeCount - 1] == 0) {
        --image.synthRangeCount;
    }
}

} // namespace lxq::driver
