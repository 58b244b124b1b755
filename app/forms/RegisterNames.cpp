#include "app/forms/RegisterNames.h"

#include <cstdio>

namespace lxq {

const char kRegisterNames[kRegisterCount][12] = {
    "VERSION",  "FIRMWARE", "FEATURES1", "FEATURES2",  "STATUS",     "PWR_CTL",  "INT_MSK",
    "INT_REQ",  "PLL_STATUS", "EE_ADR",  "EE_DAT",     "EXECUTE",    "EXECUTE2", "TIMER",
    "HWCHG",    "HWCHG2",   "RSSI1_LO",  "RSSI1_HI",   "RSSI2_LO",   "RSSI2_HI", "ADC3_LO",
    "ADC3_HI",  "ADC4_LO",  "ADC4_HI",   "ADC5_LO",    "ADC5_HI",    "FMW_CONTROL", "FMW_STATUS",
    "AUD_SRC",  "AUD_L",    "AUD_R",     "I2C_ERROR",  "RF1_BAND",   "RF2_BAND", "BP_CLKSEL",
    "",         "RF2_PLL1", "RF2_PLL2",  "RF2_PLL3",   "RF2_PLL4",   "IF1_DAC1", "IF1_DAC2",
    "IF1_DAC3", "IF1_DAC4", "IF1_DAC5",  "IF1_DAC6",   "IF1_DAC7",   "IF1_DAC8", "PLL_PLL1",
    "PLL_PLL2", "PLL_PLL3", "PLL_PLL4",  "PLL_DDS1",   "PLL_DDS2",   "PLL_DDS3", "PLL_DDS4",
    "IF2_PLL1", "IF2_PLL2", "IF2_PLL3",  "IF2_PLL4",   "IF2_DDS1",   "IF2_DDS2", "IF2_DDS3",
    "IF2_DDS4"};

plat::comp::TPoint RegisterLabelPosition(int i) {
    const int row = i % 16;
    return {(i / 16) * 120 + 10, row * 20 + (row / 4) * 20 + 10};
}

std::string RegisterText(int i, unsigned value) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", value & 0xFFu);
    return std::string(kRegisterNames[i]) + ": " + hex;
}

} // namespace lxq
