#pragma once
// The system tests' equipment: a namespace of their own, a scene file the test writes, the driver
// host as its own process hearing that scene, and the API library loaded by name as programs load
// it. Everything goes when the test ends.

#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/Eventually.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace lxq::systemtest {

inline std::string BuildFolder() { return lxq_test::ProgramFolder(); }

using lxq_test::Eventually;

// A fresh folder for the test's files.
using Folder = plat::sys::testing::TempFolder;

// `lxq745d --simulate <variants> --scene <file>` in the test's namespace, until the test ends.
class DriverHost {
public:
    DriverHost(const std::string& variants, const std::string& sceneText, const Folder& folder) {
        const std::string scene = folder.File("band.scene");
        std::ofstream(scene) << sceneText;
        lxq_test::ChildSetup setup;
        setup.args = {"lxq745d", "--simulate", variants, "--scene", scene};
        process_.emplace(std::move(setup));
        EXPECT_EQ(process_->OutputLine(), "lxq745d: ready");
    }
    ~DriverHost() {
        process_->Signal(SIGTERM);
        EXPECT_EQ(process_->Wait(), 0) << "lxq745d ends cleanly on SIGTERM";
    }
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;
    pid_t Pid() const { return process_->Pid(); }

private:
    std::optional<lxq_test::ChildProgram> process_;
};

// Runs `lxq745ctl <args>` against the host of the test's namespace; its exit status.
inline int Control(const std::vector<std::string>& args) {
    std::vector<std::string> command{"lxq745ctl"};
    command.insert(command.end(), args.begin(), args.end());
    return lxq_test::RunToEnd(command).status;
}

// The API library, loaded by its file name from the build as the program loads it.
class ApiLibrary {
public:
    ApiLibrary() {
        handle_ = dlopen((BuildFolder() + "/liblxq745api.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle_, nullptr) << dlerror();
    }
    ~ApiLibrary() {
        if (handle_ != nullptr) dlclose(handle_);
    }
    ApiLibrary(const ApiLibrary&) = delete;
    ApiLibrary& operator=(const ApiLibrary&) = delete;

    template <typename Function>
    Function* Get(const char* name) const {
        void* symbol = handle_ != nullptr ? dlsym(handle_, name) : nullptr;
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Function*>(symbol);
    }

private:
    void* handle_ = nullptr;
};

} // namespace lxq::systemtest
