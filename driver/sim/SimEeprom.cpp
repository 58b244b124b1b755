#include "driver/sim/SimEeprom.h"

#include <cstring>

namespace lxq::sim {

const char* ModelId(SimVariant variant) {
    switch (variant) {
    case SimVariant::Pci: return "Q7PCIv15";
    case SimVariant::Serial: return "Q7SERv16";
    case SimVariant::Usb: return "Q7USBv10";
    }
    return "Q7USBv10";
}

LX_Q7_EEPROM MakeImage(SimVariant variant, ImageKind kind) {
    LX_Q7_EEPROM e{};
    // Preselector calibration of bands 4..7: {step, value} pairs rising across each band.
    for (int band = 0; band < 4; ++band)
        for (int node = 0; node < 8; ++node) {
            e.filterBytes[16 * band + 2 * node] = static_cast<std::uint8_t>(node * 30 + band);
            e.filterBytes[16 * band + 2 * node + 1] = static_cast<std::uint8_t>(20 + node * 30);
        }
    e.layoutVersion = 1;
    e.bandCount = 7;
    // Five synthesiser ranges keep every VCO below 2^32 Hz with a 45 MHz first IF.
    e.synthRangeCount = 5;
    e.lowestHz = kSimLowestHz;
    e.highestHz = kSimHighestHz;
    e.firstIfHz = kSimFirstIf;
    e.capabilities = kCapFmWide;
    e.options = 0;
    const std::uint32_t edges[8] = {kSimLowestHz, 2'000'000,   30'000'000,    60'000'000,
                                    120'000'000,  300'000'000, 1'000'000'000, kSimHighestHz};
    std::memcpy(e.bandEdges, edges, sizeof edges);
    const std::uint32_t synth[5] = {100'000'000, 200'000'000, 400'000'000, 600'000'000, kSimHighestHz};
    std::memcpy(e.synthEdges, synth, sizeof synth);
    e.defaultGain16 = 40;
    e.if1ManualGain = 30;
    e.defaultGain20 = 0x3F00003Fu;
    std::memcpy(e.modelId, ModelId(variant), 8);
    std::memcpy(e.serial, variant == SimVariant::Pci ? "SIMP0001" : variant == SimVariant::Serial ? "SIMS0001" : "SIMU0001", 8);
    e.refClockInternalHz = kSimReferenceHz;
    e.refClockExternalHz = 10'000'000;
    e.pciCardType = 0;
    e.agcStart = 877;
    e.agcMid = 828;
    e.agcEnd = 608;
    e.dropLevel = -870;
    e.rssiTop = -880;
    e.rssiReference = 256;
    e.rxGain = 100;
    e.rssiReference2 = 650;
    switch (kind) {
    case ImageKind::Valid: break;
    case ImageKind::BadCalibration:
        e.agcStart = 2000;        // outside its range: all six words are replaced
        e.rssiReference2 = 100;   // outside its range: replaced on its own
        break;
    case ImageKind::OldBandEdge: e.bandEdges[5] = 260'000'000; break;
    }
    return e;
}

} // namespace lxq::sim
