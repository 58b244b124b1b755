#pragma once
// The system tests' equipment: a namespace of their own, a scene file the test writes, the driver
// host as its own process hearing that scene, and the API library loaded by name as programs load
// it. Everything goes when the test ends.

#include "tests/platform/sys/ScopedChannelNamespace.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace lxq::systemtest {

inline std::string BuildFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// Waits on progress another process makes, for at most ten seconds.
template <typename Cond>
bool Eventually(Cond cond) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::yield();
    }
    return true;
}

// A fresh folder for the test's files.
class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lxqsystem.XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// `lxq745d --simulate <variants> --scene <file>` in the test's namespace, until the test ends.
class DriverHost {
public:
    DriverHost(const std::string& variants, const std::string& sceneText, const Folder& folder) {
        const std::string scene = folder.File("band.scene");
        std::ofstream(scene) << sceneText;
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        const std::string path = BuildFolder() + "/lxq745d";
        const char* argv[] = {path.c_str(), "--simulate", variants.c_str(), "--scene", scene.c_str(), nullptr};
        pid_ = fork();
        if (pid_ == 0) {
            // The host goes with the test, however the test ends.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execv(path.c_str(), const_cast<char**>(argv));
            _exit(127);
        }
        EXPECT_GT(pid_, 0);
        close(out[1]);
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
        close(out[0]);
        EXPECT_EQ(line, "lxq745d: ready");
    }
    ~DriverHost() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    DriverHost(const DriverHost&) = delete;
    DriverHost& operator=(const DriverHost&) = delete;
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// Runs `lxq745ctl <args>` against the host of the test's namespace; its exit status.
inline int Control(const std::vector<std::string>& args) {
    const std::string path = BuildFolder() + "/lxq745ctl";
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
