#pragma once
// What a test plug-in records and how a test steers it. The test reaches a plug-in's state through
// its extra export "testPluginState" (the test keeps the library loaded while it looks).

#include <cstdint>
#include <string>
#include <vector>

#include "app/receiver/KvrPluginInterface.h"

struct TestPluginCall {
    std::uint32_t uMsg;
    std::uint32_t dwParam;
    std::uint32_t cbData;
    std::string text; // lpData as text when the code carries a name
};

struct TestPluginState {
    const char* name = "";
    int initCalls = 0;
    int startCalls = 0;
    int doneCalls = 0;
    std::int32_t startResult = 7; // the instance handle start returns
    std::uint32_t maskAtStart = 0; // written to the host's mask during start
    bool answerClose = true; // calls back 0x4000 when asked to close
    bool rewriteDeviceFrequency = false; // rewrites the packed frequency of 0x805
    std::uint32_t rewriteTo = 0;
    std::string serverId;
    std::uint32_t receiver = 0;
    void* caps = nullptr;
    KvrHostCallback callback = nullptr;
    std::int32_t instance = 0;
    std::uint32_t* mask = nullptr;
    std::vector<TestPluginCall> calls;
    std::vector<std::string>* journal = nullptr; // shared by the plug-ins of one test

    // Calls the host as this plug-in.
    std::int32_t Call(std::uint32_t uMsg, std::uint32_t dwParam = 0, std::uint32_t cbData = 0,
                      void* lpData = nullptr) {
        return callback(instance, uMsg, dwParam, cbData, lpData);
    }
    int Count(std::uint32_t uMsg) const {
        int n = 0;
        for (const auto& c : calls) n += c.uMsg == uMsg;
        return n;
    }
};

using TestPluginStateProc = TestPluginState* (*)();
