#pragma once
// One loaded plug-in library as the host keeps it: its module, name, type word, instance handle,
// notification mask and entry points. Owned by the host's main thread; a plug-in's callback may
// come from its audio thread and reads the instance handle there, so the handle is atomic.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/receiver/KvrPluginInterface.h"
#include "platform/sys/Module.h"

namespace lxq {

struct KVRplugin {
    std::unique_ptr<plat::sys::Module> module;
    std::string path;
    std::string name;
    std::uint32_t type = 0;
    std::atomic<std::int32_t> instance{kvr::kNotRunning}; // 0 while its start runs
    std::int64_t startTimeMs = 0; // 0 after a close request
    std::uint32_t mask = 0;
    KvrPluginInitProc init = nullptr;
    KvrPluginDoneProc done = nullptr;
    KvrPluginStartProc start = nullptr;
    KvrPluginNotifyProc notify = nullptr;

    bool Running() const { return instance != kvr::kNotRunning; }
};

} // namespace lxq
