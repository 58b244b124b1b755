#pragma once
// A fresh folder for one test, removed afterwards, and a unique object namespace for the
// process so that named objects of parallel tests never meet.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace plat::sys::testing {

class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lxqtest.XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Gives this process an object namespace of its own (and returns it).
inline std::string UseFreshObjectNamespace(const std::string& tag) {
    static int counter = 0;
    const std::string ns = tag + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    setenv("LXQ745_NS", ns.c_str(), 1);
    return ns;
}

} // namespace plat::sys::testing
