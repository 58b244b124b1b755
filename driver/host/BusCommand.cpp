#include "driver/host/BusCommand.h"

#include "driver/host/SceneCommand.h"

#include <sstream>
#include <vector>

namespace lxq::host {
namespace {

std::string StatusText(NtStatus status) {
    std::ostringstream text;
    text << "status 0x" << std::hex << std::uppercase << status;
    return text.str();
}

} // namespace

NtStatus BusCommand::Run(Bus& bus, const std::string& line, std::string& reply) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    const std::string verb = words.empty() ? "" : words[0];
    NtStatus status = kStatusInvalidParameter;
    reply.clear();

    if (verb == "scene" && words.size() >= 2) {
        // The rest of the line is the file's name, blanks and all.
        const std::string rest = line.substr(line.find("scene") + 5);
        const auto first = rest.find_first_not_of(" \t");
        const auto last = rest.find_last_not_of(" \t\r\n");
        return SceneCommand::Run(rest.substr(first, last - first + 1), reply);
    }
    if (verb == "plug" && words.size() == 3) {
        status = bus.Plug(words[1], words[2], reply);
    } else if (verb == "list" && words.size() == 1) {
        reply = bus.Describe();
        return kStatusSuccess;
    } else if ((verb == "sleep" || verb == "wake") && words.size() == 1) {
        status = verb == "sleep" ? bus.Sleep(&reply) : bus.Wake();
    } else if (words.size() == 2 && (verb == "unplug" || verb == "eject" || verb == "suspend" || verb == "resume")) {
        const std::string& id = words[1];
        if (!bus.FindByBusId(id)) {
            reply = "no device \"" + id + "\"";
            return kStatusInvalidParameter;
        }
        if (verb == "unplug") status = bus.Unplug(id);
        else if (verb == "eject") status = bus.Eject(id);
        else status = bus.SetDevicePower(id, verb == "suspend" ? kD3 : kD0);
    } else {
        reply = "usage: plug <kind> <id> | unplug <id> | eject <id> | suspend <id> | resume <id> | "
                "sleep | wake | list | scene <file>";
        return kStatusInvalidParameter;
    }
    if (reply.empty()) reply = IsSuccess(status) ? "ok" : StatusText(status);
    else if (!IsSuccess(status)) reply += " (" + StatusText(status) + ")";
    return status;
}

} // namespace lxq::host
