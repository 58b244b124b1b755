#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win/BackendChoice.h"

namespace plat::win {
namespace {

TEST(BackendChoice, HeadlessIsTheDefaultAndAnUnreachableDisplayKeepsIt) {
    EXPECT_EQ(CurrentBackendKind(), BackendKind::Headless);
    setenv("LXQ_WIN_BACKEND", "headless", 1);
    setenv("DISPLAY", ":0", 1);
    EXPECT_EQ(StartBackend(true), BackendKind::Headless) << "the environment overrides the program's wish";

    setenv("LXQ_WIN_BACKEND", "x11", 1);
    setenv("DISPLAY", ":9317", 1);
    std::string error;
    EXPECT_EQ(StartBackend(false, &error), BackendKind::Headless);
    EXPECT_NE(error.find("cannot open the X display"), std::string::npos) << error;
    unsetenv("LXQ_WIN_BACKEND");
    unsetenv("DISPLAY");
    EXPECT_EQ(StartBackend(true), BackendKind::Headless) << "no display to prefer";
}

} // namespace
} // namespace plat::win
