#pragma once
// What a save may find under a file's name, put there for a test, and whether it was left alone
// afterwards: only a plain file (under the name, or at the end of a link) is ever replaced; a
// device node, a named pipe, a folder and a link to nothing stay as they were. Device nodes are
// made where the test may make them (as root: a copy of the null device in the test's folder);
// elsewhere a named pipe in the test's folder stands for the device at the end of the link.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace plat::sys::testing {

enum class Found { File, LinkToFile, LinkToDevice, Pipe, Folder, LinkToNothing };

struct SaveCase {
    Found found;
    const char* name;
    bool replaced; // the save goes through
};

inline constexpr SaveCase kSaveCases[] = {
    {Found::File, "a plain file", true},
    {Found::LinkToFile, "a link to a plain file", true},
    {Found::LinkToDevice, "a link to a device node", false},
    {Found::Pipe, "a named pipe", false},
    {Found::Folder, "a folder", false},
    {Found::LinkToNothing, "a link to nothing", false},
};

class PlacedTarget {
public:
    // Puts `found` under `path`; what a link points at goes into the folder `aside`, named after
    // the file. A plain file gets `content`.
    PlacedTarget(Found found, std::string path, const std::string& aside, const std::string& content = {})
        : found_(found), path_(std::move(path)) {
        namespace fs = std::filesystem;
        fs::create_directories(aside);
        const std::string name = fs::path(path_).filename().string();
        switch (found_) {
        case Found::File: Put(path_, content); break;
        case Found::LinkToFile:
            end_ = aside + "/" + name;
            Put(end_, content);
            fs::create_symlink(end_, path_);
            break;
        case Found::LinkToDevice:
            end_ = aside + "/" + name + ".device";
            if (::geteuid() != 0 || ::mknod(end_.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                ::mkfifo(end_.c_str(), 0600);
            fs::create_symlink(end_, path_);
            break;
        case Found::Pipe: ::mkfifo(path_.c_str(), 0600); break;
        case Found::Folder:
            fs::create_directory(path_);
            Put(path_ + "/inside", "kept");
            break;
        case Found::LinkToNothing:
            end_ = aside + "/" + name + ".absent";
            fs::create_symlink(end_, path_);
            break;
        }
        ::lstat(path_.c_str(), &name_);
        if (!end_.empty()) ::lstat(end_.c_str(), &end_stat_);
        ::stat(path_.c_str(), &file_);
    }

    // A plain file at the end of the name was put in place of the one there before (a save
    // replaces through a rename, so the file is another one), and the name kept what it was.
    ::testing::AssertionResult Replaced() const {
        struct stat now {};
        if (::stat(path_.c_str(), &now) != 0 || !S_ISREG(now.st_mode))
            return ::testing::AssertionFailure() << path_ << " is no plain file";
        if (now.st_ino == file_.st_ino) return ::testing::AssertionFailure() << path_ << " was not saved";
        if (found_ == Found::LinkToFile) return NameAsItWas();
        return ::testing::AssertionSuccess();
    }

    // Everything is as it was: the name is the same thing, a link points where it did, and what
    // it points at (or the absence of it) is unchanged.
    ::testing::AssertionResult LeftAsItWas() const {
        if (auto name = NameAsItWas(); !name) return name;
        struct stat now {};
        switch (found_) {
        case Found::LinkToDevice:
            if (::lstat(end_.c_str(), &now) != 0 || now.st_ino != end_stat_.st_ino || now.st_mode != end_stat_.st_mode ||
                now.st_rdev != end_stat_.st_rdev)
                return ::testing::AssertionFailure() << "the device " << end_ << " was replaced";
            break;
        case Found::Folder:
            if (Slurp(path_ + "/inside") != "kept") return ::testing::AssertionFailure() << "the folder lost its file";
            break;
        case Found::LinkToNothing:
            if (::lstat(end_.c_str(), &now) == 0)
                return ::testing::AssertionFailure() << "a file was made at " << end_;
            break;
        default: break;
        }
        return ::testing::AssertionSuccess();
    }

    const std::string& Path() const { return path_; }

    static std::string Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    static void Put(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    ::testing::AssertionResult NameAsItWas() const {
        struct stat now {};
        if (::lstat(path_.c_str(), &now) != 0 || now.st_ino != name_.st_ino || (now.st_mode & S_IFMT) != (name_.st_mode & S_IFMT))
            return ::testing::AssertionFailure() << path_ << " is no longer what it was";
        if (!end_.empty() && std::filesystem::read_symlink(path_) != end_)
            return ::testing::AssertionFailure() << path_ << " points elsewhere";
        return ::testing::AssertionSuccess();
    }

    Found found_;
    std::string path_;
    std::string end_; // what the link points at
    struct stat name_ {};
    struct stat end_stat_ {};
    struct stat file_ {};
};

// The debug output of the test, to a file of its own, for what the program says it refused.
class CapturedDebugOutput {
public:
    explicit CapturedDebugOutput(std::string path) : path_(std::move(path)) {
        if (const char* before = std::getenv("LXQ745_DEBUG_OUTPUT")) before_ = before;
        ::setenv("LXQ745_DEBUG_OUTPUT", path_.c_str(), 1);
    }
    ~CapturedDebugOutput() {
        if (before_.empty()) ::unsetenv("LXQ745_DEBUG_OUTPUT");
        else ::setenv("LXQ745_DEBUG_OUTPUT", before_.c_str(), 1);
    }
    // What was said since the last call.
    std::string Take() {
        std::string text = PlacedTarget::Slurp(path_);
        std::filesystem::remove(path_);
        return text;
    }

private:
    std::string path_;
    std::string before_;
};

} // namespace plat::sys::testing
