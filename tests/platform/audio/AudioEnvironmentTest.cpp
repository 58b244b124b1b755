// The sound back end a process takes from its environment, as the program and the plug-in find
// it on their first device query.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/audio/WaveIn.h"
#include "platform/audio/WaveOut.h"

namespace plat::audio {
namespace {

// The back end is chosen once per process, so each case runs in a child of its own; a child
// that hangs is ended by its alarm and counts as a failure.
int InChild(void (*body)()) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(10);
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(AudioEnvironment, FileDevicesNamedInTheEnvironmentAreListedAtTheFirstQuery) {
    const int status = InChild([] {
        const auto out = std::filesystem::temp_directory_path() / ("audio-env-" + std::to_string(getpid()) + ".wav");
        setenv("LXQ745_AUDIO", "file", 1);
        setenv("LXQ745_AUDIO_OUT", out.c_str(), 1);
        unsetenv("LXQ745_AUDIO_IN");
        if (WaveIn::DeviceCount() != 0 || WaveOut::DeviceCount() != 1) _exit(3);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

} // namespace
} // namespace plat::audio
