// lxq745simcal FILE: writes the calibration file that matches the simulated receivers (made from
// their level model, so that a simulated receiver's S-meter reads the scene's levels in dBm). The
// file is written whole or not at all, and only over a plain file.

#include <cstdio>
#include <string>

#include "driver/sim/CalibrationTable.h"
#include "driver/sim/SimEeprom.h"
#include "platform/sys/AtomicFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lxq745simcal FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string text = lxq::sim::CalibrationTable::Text(lxq::sim::MakeImage(lxq::sim::SimVariant::Usb));
    std::string why;
    if (!plat::sys::WriteFileAtomically(path, text, &why)) {
        std::fprintf(stderr, "lxq745simcal: %s\n", why.c_str());
        return 1;
    }
    return 0;
}
