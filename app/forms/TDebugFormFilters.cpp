// The "Tuneable Filters" page: which band the receiver's preselector is in, and the conversion
// of a receiver with the old filter layout to the new band filters.

#include "app/forms/BandFilterCut.h"
#include "app/forms/TDebugForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TLabel.h"

namespace lxq {

using namespace plat::comp;

namespace {

constexpr std::int32_t kOldLayoutFlag = 0x1000000;
constexpr std::int32_t kConvertedBand = 6;

struct EepromPatch {
    std::uint8_t address;
    std::vector<std::uint8_t> bytes;
    const char* failure;
};

std::vector<std::uint8_t> LittleEndian(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t v : values)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
    return out;
}

// The fifth band's filter rows as {step, value} pairs, its range edges, and the band edge.
const std::vector<EepromPatch>& NewBandPatches() {
    static const std::vector<EepromPatch> patches = {
        {0x10,
         {0x00, 0x3F, 0x5A, 0x70, 0x6E, 0x78, 0x96, 0x88, 0xAF, 0x95, 0xC8, 0xA5, 0xE1, 0xD0, 0xFA, 0xFF},
         "Writing EEPROM at 0x10-0x1f failed !"},
        {0x84, LittleEndian({315'000'000, 400'000'000, 400'000'000}), "Writing EEPROM at 0x84-0x8f failed !"},
        {0x6C, LittleEndian({400'000'000}), "Writing EEPROM at 0x6c-0x6f failed !"},
    };
    return patches;
}

} // namespace

void TDebugForm::ReloadFilterPage() {
    const std::int32_t word = rx_->GetFilterValue();
    const int band = (word >> 8) & 0xFF;
    const bool tuneable = ((word >> 16) & 0xFF) != 0;
    if (band != shownBand_) shownBand_ = band;
    FilterBandLabel->SetCaption(tuneable ? "Band #" + std::to_string(band)
                                         : "Band #" + std::to_string(band) + " is not tuneable");
}

void TDebugForm::TuneFilterPage(std::uint32_t) {
    if (HandleAllocated() && Visible()) ReloadFilterPage();
}

void TDebugForm::NewBandFiltersButtonClick(TObject*) {
    if ((rx_->GetFilterValue() & kOldLayoutFlag) == 0) {
        ServiceError("This isn't the old radio !");
        return;
    }
    std::array<FILTER_NODE, kFilterNodesPerBand> nodes{};
    const bool haveTable = rx_->GetFilterTable(kConvertedBand, nodes.data());
    for (const EepromPatch& p : NewBandPatches())
        if (!rx_->WriteEEPROM(p.address, p.bytes.data(), static_cast<std::uint32_t>(p.bytes.size())))
            ServiceError(p.failure);
    // Without the band's table there is nothing to cut; writing zeros would lose it.
    if (haveTable) {
        CutFilterTable(nodes, 400'000'000);
        rx_->SetFilterTable(kConvertedBand, nodes.data());
    }
    shownBand_ = -1;
    ReloadFilterPage();
}

} // namespace lxq
