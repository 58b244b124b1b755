#include "demod/ui/HtmlHelp.h"

#include "platform/sys/DebugOutput.h"
#include "platform/sys/SettingsStore.h"

#include <mutex>

namespace {
std::mutex& Guard() {
    static std::mutex m;
    return m;
}
std::string& Last() {
    static std::string s;
    return s;
}
} // namespace

void* HtmlHelpA(void*, const char* file, unsigned command, std::uintptr_t) {
    if (file == nullptr || command != HH_DISPLAY_TOPIC) return nullptr;
    {
        std::lock_guard<std::mutex> hold(Guard());
        Last() = file;
    }
    plat::sys::OutputDebugText(std::string("help topic: ") + file + "\n");
    return nullptr;
}

std::string LastHelpRequest() {
    std::lock_guard<std::mutex> hold(Guard());
    return Last();
}

std::string PluginFolder() {
    const plat::sys::SettingsStore store;
    const auto folder = store.ReadString("Software\\KVR", "SearchPath");
    if (!folder || folder->empty()) return {};
    return folder->back() == '/' ? *folder : *folder + "/";
}

void ShowPluginHelp(const char* topic) {
    const std::string file = PluginFolder() + "Q745DemodPro.chm::/" + topic;
    HtmlHelpA(nullptr, file.c_str(), HH_DISPLAY_TOPIC, 0);
}
