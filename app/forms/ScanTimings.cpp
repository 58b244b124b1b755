#include "app/forms/ScanTimings.h"

namespace lxq {

namespace {

ScanTimings FromRow(const InterfaceTimings& row, bool bandRow) {
    ScanTimings t;
    t.scanFast = row.scanFast;
    t.scanSlow = row.scanSlow;
    t.sweepFast = row.sweepFast;
    t.sweepSlow = row.sweepSlow;
    // Only USB receivers need a longer settle in the 70-150 MHz band.
    t.bandFast = bandRow ? row.sweepBand : row.sweepFast;
    t.bandSlow = row.sweepSlow;
    t.sweepMaxRssi = row.sweepMaxRssi;
    t.sweepMinRssi = row.sweepMinRssi;
    t.sweepAgcStep = row.sweepAgcStep;
    return t;
}

} // namespace

void PickScanTimings(const std::string& productName, const ScanConstants& page, ScanTimings& timings) {
    auto has = [&](const char* what) { return productName.find(what) != std::string::npos; };
    if (has("PCI")) timings = FromRow(page.pci, false);
    if (has("USB")) timings = FromRow(page.usb, true);
    if (has("SER")) timings = FromRow(page.ser, false);
}

} // namespace lxq
