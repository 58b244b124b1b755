#include "api/RadioInfo.h"

#include "api/Lxq745Api.h"

#include <cstring>

namespace lxq::api {

static_assert(offsetof(RADIO_INFO, serial) == 4);
static_assert(offsetof(RADIO_INFO, model) == 13);
static_assert(offsetof(RADIO_INFO, minFrequency) == 22);
static_assert(offsetof(RADIO_INFO, maxFrequency) == 26);
static_assert(offsetof(RADIO_INFO, bandCount) == 30);
static_assert(offsetof(RADIO_INFO, bandEdges) == 31);
static_assert(offsetof(RADIO_INFO, zero63) == 63);
static_assert(offsetof(RADIO_INFO, firstIf) == 95);
static_assert(offsetof(RADIO_INFO, synthRangeCount) == 99);
static_assert(offsetof(RADIO_INFO, synthEdges) == 100);
static_assert(offsetof(RADIO_INFO, zero132) == 132);
static_assert(offsetof(RADIO_INFO, eeprom224) == 134);
static_assert(offsetof(RADIO_INFO, eeprom162) == 142);
static_assert(offsetof(RADIO_INFO, zero148) == 148);
static_assert(offsetof(RADIO_INFO, eeprom232) == 149);
static_assert(offsetof(RADIO_INFO, eeprom173) == 153);
static_assert(offsetof(RADIO_INFO, eeprom184) == 164);
static_assert(offsetof(RADIO_INFO, calibration) == 172);
static_assert(offsetof(RADIO_INFO_SHORT, serial) == 4);
static_assert(offsetof(RADIO_INFO_SHORT, model) == 13);
static_assert(offsetof(RADIO_INFO_SHORT, minFrequency) == 22);
static_assert(offsetof(RADIO_INFO_SHORT, maxFrequency) == 30);
static_assert(offsetof(RADIO_INFO_SHORT, flags) == 38);

std::array<std::uint8_t, kRadioInfoSize> BuildRadioInfo(const LX_Q7_EEPROM& eeprom,
                                                         std::size_t recordSize) {
    std::array<std::uint8_t, kRadioInfoSize> image{};
    std::uint8_t raw[kEepromSize];
    std::memcpy(raw, &eeprom, sizeof raw);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&image[at], &v, 4); };
    auto copy = [&](std::size_t at, std::size_t from, std::size_t n) {
        std::memcpy(&image[at], raw + from, n);
    };
    put32(0, kRadioInfoSize);
    if (eeprom.layoutVersion != 1) return image;
    copy(4, offsetof(LX_Q7_EEPROM, serial), 8);
    copy(13, offsetof(LX_Q7_EEPROM, modelId), 8);
    if (recordSize <= kRadioInfoShortSize) {
        const std::uint64_t lo = eeprom.lowestHz, hi = eeprom.highestHz;
        std::memcpy(&image[22], &lo, 8);
        std::memcpy(&image[30], &hi, 8);
        put32(38, eeprom.capabilities & 3u);
        return image;
    }
    put32(22, eeprom.lowestHz);
    put32(26, eeprom.highestHz);
    image[30] = eeprom.bandCount;
    copy(31, 88, 32);
    put32(95, eeprom.firstIfHz);
    image[99] = eeprom.synthRangeCount;
    copy(100, 120, 32);
    copy(134, 224, 8);
    copy(142, 162, 6);
    copy(149, 232, 4);
    copy(153, 173, 11);
    copy(164, 184, 8);
    // Calibration words 0..5; words 3 and 4 are signed levels.
    for (int w = 0; w < 6; ++w) {
        std::uint16_t word;
        std::memcpy(&word, raw + 240 + 2 * w, 2);
        const bool isSigned = (w == 3 || w == 4);
        const std::int32_t v = isSigned ? std::int32_t{static_cast<std::int16_t>(word)}
                                        : std::int32_t{word};
        put32(172 + 4 * static_cast<std::size_t>(w), static_cast<std::uint32_t>(v));
    }
    return image;
}

void ExpandFilterTables(const LX_Q7_EEPROM& eeprom,
                        FILTER_NODE (&tables)[4][kFilterNodesPerBand]) {
    for (int band = 4; band <= 7; ++band) {
        const std::uint32_t start = eeprom.bandEdges[band - 1];
        const std::uint32_t end = eeprom.bandEdges[band];
        // Steps of whole MHz, wider for wider bands; the edges' difference is taken signed, and
        // the node frequencies wrap as unsigned values, so a corrupt image cannot overflow.
        const std::int64_t span = static_cast<std::int32_t>(end - start);
        const auto step = static_cast<std::uint32_t>((span / 256'000'000 + 1) * 1'000'000);
        const std::uint8_t* bytes = &eeprom.filterBytes[16 * (band - 4)];
        for (int k = 0; k < 8; ++k) {
            tables[band - 4][k].hz =
                start + std::uint32_t{bytes[2 * k]} * step;
            tables[band - 4][k].value = bytes[2 * k + 1];
        }
    }
}

} // namespace lxq::api
