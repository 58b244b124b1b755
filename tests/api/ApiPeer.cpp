// The second process of the two-process tests. It loads the exported library like any program
// and answers one line per command read from stdin:
//   open <serial or ->   -> Q7Open          opendev <i>  -> OpenRadioDevice
//   close <i>            -> CloseRadioDevice setfreq <i> <hz> -> SetFrequency
//   freq <i>             -> GetFrequency    list         -> Q7GetRadioList3 count
//   quit

#include "api/Lxq745Api.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

int main() {
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        long long result = -999;
        if (cmd == "open") {
            std::string serial;
            in >> serial;
            result = Q7Open(serial == "-" ? nullptr : serial.c_str());
        } else if (cmd == "opendev") {
            int i = 0;
            in >> i;
            result = OpenRadioDevice(i);
        } else if (cmd == "close") {
            int i = 0;
            in >> i;
            result = CloseRadioDevice(i);
        } else if (cmd == "setfreq") {
            int i = 0;
            unsigned hz = 0;
            in >> i >> hz;
            result = SetFrequency(i, hz);
        } else if (cmd == "freq") {
            int i = 0;
            in >> i;
            result = static_cast<long long>(GetFrequency(i));
        } else if (cmd == "list") {
            uint32_t size = 0;
            result = Q7GetRadioList3(nullptr, 0, &size);
        } else if (cmd == "quit") {
            break;
        }
        std::cout << result << std::endl;
    }
    return 0;
}
