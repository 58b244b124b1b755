// The band as a user gives it to the programs: `lxq745d --scene FILE` refuses to start on a bad
// line and says which, and `lxq745ctl scene FILE` swaps the band of a running host, naming the
// file from wherever it was started.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sys/DeviceChannel.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ChildProgram.h"

namespace lxq::host {
namespace {

// A program's run, started as every child program of the tests, and what it writes.
struct Program {
    Program(const std::string& program, std::vector<std::string> args, const std::string& folder = "")
        : process(Setup(program, std::move(args), folder)), out(process.Output()), err(process.Errors()) {}
    static lxq_test::ChildSetup Setup(const std::string& program, std::vector<std::string> args, const std::string& folder) {
        lxq_test::ChildSetup setup;
        setup.args = {program};
        setup.args.insert(setup.args.end(), args.begin(), args.end());
        setup.folder = folder;
        setup.errors = true;
        return setup;
    }
    static std::string Line(int fd) { return lxq_test::ReadLine(fd); }
    int Wait() { return process.Wait(); }

    lxq_test::ChildProgram process;
    int out = -1;
    int err = -1;
};

class SceneOption : public ::testing::Test {
protected:
    plat::sys::test::ScopedChannelNamespace ns{"sceneopt"};
    plat::sys::testing::TempFolder dir;
};

TEST_F(SceneOption, ABadLineKeepsTheHostFromStartingAndIsNamed) {
    std::ofstream(dir.File("bad.scene")) << "noise -110\n\nstation 1000000 -60 am depth=2\n";
    Program host("lxq745d", {"--simulate", "usb", "--scene", dir.File("bad.scene")});
    EXPECT_EQ(Program::Line(host.out), "") << "never ready";
    const std::string error = Program::Line(host.err);
    EXPECT_NE(error.find("bad.scene: line 3: depth 2 is outside 0..1"), std::string::npos) << error;
    EXPECT_EQ(host.Wait(), 2);

    Program missing("lxq745d", {"--simulate", "usb", "--scene", dir.File("none.scene")});
    EXPECT_NE(Program::Line(missing.err).find("none.scene: cannot be read"), std::string::npos);
    EXPECT_EQ(missing.Wait(), 2);
}

TEST_F(SceneOption, TheControlProgramSwapsTheBandOfARunningHost) {
    std::ofstream(dir.File("start.scene")) << "station 1000000 -60 am\n";
    std::ofstream(dir.File("next.scene")) << "noise -100\nstation 1000000 -60 am\nstation 2000000 -70 cw\n";
    std::ofstream(dir.File("bad.scene")) << "station 1000000 -60 am\nstation 2000000 -70 morse\n";
    Program host("lxq745d", {"--simulate", "serial", "--scene", dir.File("start.scene")});
    ASSERT_EQ(Program::Line(host.out), "lxq745d: ready");

    // Named relative to the control program's folder, not the host's.
    Program next("lxq745ctl", {"scene", "next.scene"}, dir.Path());
    EXPECT_EQ(Program::Line(next.out), "scene " + std::filesystem::canonical(dir.File("next.scene")).string() + ": 2 stations");
    EXPECT_EQ(next.Wait(), 0);

    Program bad("lxq745ctl", {"scene", "bad.scene"}, dir.Path());
    const std::string error = Program::Line(bad.err);
    EXPECT_NE(error.find("bad.scene: line 2: modulation \"morse\""), std::string::npos) << error;
    EXPECT_EQ(bad.Wait(), 1);
}

// A host that takes the connection and never answers (stuck, or stopped): the control program
// gives up after its time-out and says so, instead of waiting with every later command.
TEST_F(SceneOption, TheControlProgramGivesUpOnAHostThatDoesNotAnswer) {
    const int silent = plat::sys::ListenOnChannel(plat::sys::DeviceChannelName(), 8, false);
    ASSERT_GE(silent, 0);
    setenv("LXQ745_REQUEST_TIMEOUT_MS", "150", 1);
    Program ctl("lxq745ctl", {"list"});
    unsetenv("LXQ745_REQUEST_TIMEOUT_MS");
    EXPECT_NE(Program::Line(ctl.err).find("did not answer"), std::string::npos);
    EXPECT_EQ(ctl.Wait(), 3);
    plat::sys::CloseChannelListener(silent, plat::sys::DeviceChannelName());
}

} // namespace
} // namespace lxq::host
