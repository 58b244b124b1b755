#include "platform/sys/MessageBox.h"

#include <atomic>
#include <cstdio>

namespace plat::sys {
namespace {

int DefaultMessageBox(std::uint32_t, std::string_view text, std::string_view caption,
                      std::uint32_t style) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
}

std::atomic<MessageBoxHook> g_hook{nullptr};

} // namespace

int ShowMessageBox(std::uint32_t owner, std::string_view text, std::string_view caption,
                   std::uint32_t style) {
    const MessageBoxHook hook = g_hook.load();
    return (hook ? hook : DefaultMessageBox)(owner, text, caption, style);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return g_hook.exchange(hook); }

} // namespace plat::sys
