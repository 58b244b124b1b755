// A tiny plug-in for the host's tests: records what the host tells it and answers as configured.
// Built several times with different names and faults (see CMakeLists.txt).

#include <cstring>

#include "tests/app/receiver/plugin/TestPluginState.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
TestPluginState state;

void Journal(const char* what) {
    if (state.journal) state.journal->push_back(std::string(state.name) + ":" + what);
}
} // namespace

EXPORT TestPluginState* testPluginState() { return &state; }

EXPORT std::uint32_t kvrPluginInit(std::uint32_t, const char* serverId, char* name,
                                   std::uint32_t size) {
    ++state.initCalls;
    state.name = TEST_PLUGIN_NAME;
    state.serverId = serverId ? serverId : "";
    std::strncpy(name, TEST_PLUGIN_NAME, size);
    return TEST_PLUGIN_TYPE;
}

EXPORT std::int32_t kvrPluginStart(std::uint32_t receiver, void* caps, KvrHostCallback callback,
                                   std::uint32_t* mask) {
    ++state.startCalls;
    state.receiver = receiver;
    state.caps = caps;
    state.callback = callback;
    state.mask = mask;
    state.instance = state.startResult;
    *mask = state.maskAtStart;
    Journal("start");
    return state.startResult;
}

#ifndef TEST_PLUGIN_NO_NOTIFY
EXPORT std::int32_t kvrPluginNotify(std::uint32_t, std::uint32_t uMsg, std::uint32_t dwParam,
                                    std::uint32_t cbData, void* lpData) {
    TestPluginCall call{uMsg, dwParam, cbData, {}};
    if ((uMsg == 0x300 || uMsg == 0x301) && lpData)
        call.text.assign(static_cast<const char*>(lpData), cbData);
    state.calls.push_back(call);
    if (uMsg == 0x805 && state.rewriteDeviceFrequency && lpData)
        std::memcpy(lpData, &state.rewriteTo, 4);
    if (uMsg == 0x4000) {
        Journal("close");
        if (state.answerClose) state.Call(0x4000);
    }
    return 0;
}
#endif

EXPORT void kvrPluginDone() {
    ++state.doneCalls;
    Journal("done");
}
