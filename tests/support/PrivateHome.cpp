// Every test process runs on a home folder of its own: the settings store, the documents folder
// and whatever else a program finds through HOME or the XDG folders are then the test's, never the
// user's own (a panel the user ran leaves a plug-in folder and receiver settings behind that would
// change what a test sees). The folder goes when the process ends.

#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class PrivateHome {
public:
    PrivateHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lxqhome.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        owner_ = getpid();
        home_ = pattern;
        setenv("HOME", home_.c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            unsetenv(name);
    }
    ~PrivateHome() {
        // A child forked without exec ends with this object too: only the process that made the
        // folder removes it.
        if (home_.empty() || getpid() != owner_) return;
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

private:
    pid_t owner_ = 0;
    std::string home_;
};

const PrivateHome g_home;

} // namespace
