#pragma once
#include "crashreport/text/TmyString.h"

#include <cstdint>

namespace errvane {

// The module query of an address: base of the module (or anonymous mapping) holding it, the
// offset from there and the module's path. The result is the size from the base to the end of
// the module's last mapping, 0 when no mapping holds the address.
std::uint64_t AddressToModule(std::uint64_t address, std::uint64_t* base, std::uint64_t* offset, const char** path);

// "<file>\t0x<base>+0x<offset>[\t<export>[+0x<distance>]]", empty when no module holds the address.
TmyString AddressText(std::uint64_t address);
// The same with blanks for the tabs.
TmyString AddressTextShort(std::uint64_t address);

}  // namespace errvane
