#include "app/forms/EepromListing.h"

#include <algorithm>
#include <cstdio>

namespace lxq {

namespace {

constexpr std::size_t kBandTable = 88;    // band edges, 32-bit
constexpr std::size_t kVcoTable = 120;    // synthesiser range edges, 32-bit
constexpr std::size_t kBandRows = (kVcoTable - kBandTable) / 4;
constexpr std::size_t kVcoRows = (184 - kVcoTable) / 4;

std::string Text8(const EepromImage& image, std::size_t at) {
    std::string s;
    for (std::size_t i = at; i < at + 8 && image[i] != 0; ++i) s += static_cast<char>(image[i]);
    return s;
}

std::string Hex2(unsigned v) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", v & 0xFFu);
    return b;
}

} // namespace

std::uint16_t EepromWord(const EepromImage& image, std::size_t at) {
    return static_cast<std::uint16_t>(image[at] | image[at + 1] << 8);
}

std::uint32_t EepromLong(const EepromImage& image, std::size_t at) {
    return static_cast<std::uint32_t>(EepromWord(image, at)) |
           static_cast<std::uint32_t>(EepromWord(image, at + 2)) << 16;
}

std::vector<std::string> EepromListing(const EepromImage& image) {
    std::vector<std::string> lines;
    auto add = [&](const std::string& label, long long value) {
        lines.push_back(label + std::to_string(value));
    };
    auto table = [&](const char* name, std::size_t countAt, std::size_t at, std::size_t rows,
                     const char* row) {
        const std::size_t count = image[countAt];
        add(name, static_cast<long long>(count));
        for (std::size_t i = 0; i <= std::min(count, rows - 1); ++i)
            add(std::string("   ") + row + std::to_string(i) + ": ", EepromLong(image, at + 4 * i));
    };
    add("Table layout version: ", EepromWord(image, 64));
    table("NumBands: ", 66, kBandTable, kBandRows, "Band #");
    table("NumVCO: ", 67, kVcoTable, kVcoRows, "VCO #");
    add("Min freq: ", EepromLong(image, 68));
    add("Max freq: ", EepromLong(image, 72));
    add("IF1 freq: ", EepromLong(image, 76));
    add("Ref1: ", EepromLong(image, 80));
    add("Ref2: ", EepromLong(image, 84));
    std::string dac = "Default DAC values: ";
    for (std::size_t i = 184; i < 192; ++i) dac += Hex2(image[i]) + " ";
    lines.push_back(dac);
    lines.push_back("Model name: " + Text8(image, 192));
    lines.push_back("Serial number: " + Text8(image, 200));
    for (std::size_t i = 0; i < 4; ++i) add("Ref clock #" + std::to_string(i) + ": ", EepromLong(image, 208 + 4 * i));
    for (std::size_t i = 0; i < 4; ++i) add("Ref DIV #" + std::to_string(i) + ": ", EepromWord(image, 224 + 2 * i));
    for (std::size_t i = 0; i < 4; ++i) add("P bits #" + std::to_string(i) + ": ", image[232 + i]);
    add("RSSI type: ", image[236]);
    add("RSSI flags: ", image[237]);
    lines.push_back("Spare: " + std::to_string(image[238]) + " " + std::to_string(image[239]));
    add("AGC start: ", EepromWord(image, 240));
    add("AGC mid: ", EepromWord(image, 242));
    add("AGC end: ", EepromWord(image, 244));
    add("Drop level: ", static_cast<std::int16_t>(EepromWord(image, 246)));
    add("RSSI top: ", static_cast<std::int16_t>(EepromWord(image, 248)));
    add("RSSI ref: ", EepromWord(image, 250));
    add("RX Gain: ", EepromWord(image, 252));
    add("RSSI ref2: ", EepromWord(image, 254));
    return lines;
}

} // namespace lxq
