#pragma once
// The arguments the running program was started with, for code that lives in a library loaded by
// the program (such as a plug-in looking for a switch).

#include <string>
#include <vector>

namespace plat::sys {

// The program's arguments after its own name; empty when they cannot be read.
std::vector<std::string> ProgramArguments();

// True when one of the program's arguments equals `text` exactly.
bool ProgramHasArgument(const std::string& text);

} // namespace plat::sys
