// lxq745simcal FILE: writes the calibration file that matches the simulated receivers (made from
// their level model, so that a simulated receiver's S-meter reads the scene's levels in dBm). The
// file is written whole or not at all.

#include <cstdio>
#include <string>

#include "driver/sim/CalibrationTable.h"
#include "driver/sim/SimEeprom.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lxq745simcal FILE\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::string temporary = path + ".new";
    const std::string text = lxq::sim::CalibrationTable::Text(lxq::sim::MakeImage(lxq::sim::SimVariant::Usb));
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr) ok = std::fflush(file) == 0 && ok;
    if (file != nullptr) ok = std::fclose(file) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "lxq745simcal: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
