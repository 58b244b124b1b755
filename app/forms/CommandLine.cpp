#include "app/forms/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/controls/FloatText.h"

namespace lxq {

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool Begins(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace

std::int64_t MegahertzText(const std::string& text, std::int64_t min, std::int64_t max) {
    const double mhz = StrToFloat(text).value_or(0.0);
    // Held in range before converting: a huge or negative number must not wrap into a clock.
    const double hz = std::round(mhz * 1'000'000.0);
    if (!(hz >= static_cast<double>(min))) return min;
    if (hz > static_cast<double>(max)) return max;
    return static_cast<std::int64_t>(hz);
}

StartOptions ReadStartOptions(const std::vector<std::string>& args) {
    StartOptions o;
    for (const std::string& arg : args)
        if (Begins(arg, "/#")) o.preferredSerial = arg.substr(2);
    return o;
}

ReceiverOptions ReadReceiverOptions(const std::vector<std::string>& args) {
    ReceiverOptions o;
    for (const std::string& typed : args) {
        const std::string arg = Lower(typed);
        if (Begins(arg, "/c") && arg.size() > 2 && arg[2] != 'c')
            o.refClockHz = static_cast<std::uint32_t>(MegahertzText(typed.substr(2), 0, UINT32_MAX));
        if (Begins(arg, "/cc"))
            o.if2Hz = static_cast<std::int32_t>(MegahertzText(typed.substr(3), INT32_MIN, INT32_MAX));
        if (Begins(arg, "/l")) o.debugLevel = 2;
        if (Begins(arg, "/g")) o.debugLevel = 1;
        if (Begins(arg, "/exitprocess")) o.exitProcess = true;
    }
    return o;
}

PanelOptions ReadPanelOptions(const std::vector<std::string>& args) {
    PanelOptions o;
    for (const std::string& typed : args) {
        const std::string arg = Lower(typed);
        if (arg == "/d") o.service = true;
        if (arg == "/c") o.calibrationMenu = true;
        if (arg == "/r") o.rawSignal = true;
        if (arg == "/sd") o.noDemodulator = true;
    }
    return o;
}

} // namespace lxq
