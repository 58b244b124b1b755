#pragma once
// Where a test puts a picture for a person to look at: the build's screenshot folder.

#include <filesystem>
#include <string>

namespace lxq_test {

inline std::string ScreenshotPath(const std::string& fileName) {
    const std::filesystem::path dir = LXQ_SCREENSHOT_DIR;
    std::filesystem::create_directories(dir);
    return (dir / fileName).string();
}

} // namespace lxq_test
