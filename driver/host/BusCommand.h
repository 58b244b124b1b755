#pragma once
// The bus layer's control commands, as `lxq745ctl` sends them and tests use them:
//   plug <kind> <id>      add a receiver and start it
//   unplug <id>           pull it out without asking (surprise removal, then removal)
//   eject <id>            ask for its removal (refused while open)
//   suspend <id>          put one receiver's device into D3;  resume <id>  back to D0
//   sleep / wake          system sleep (refused while any receiver is open) and wake
//   list                  one line per device
//   scene <file>          the band the simulated receivers hear from now on
// The answer is an NT status and a line of text.

#include "driver/host/Bus.h"

#include <string>

namespace lxq::host {

class BusCommand {
public:
    static NtStatus Run(Bus& bus, const std::string& line, std::string& reply);
};

} // namespace lxq::host
