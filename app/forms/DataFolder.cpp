#include "app/forms/DataFolder.h"

#include <filesystem>
#include <system_error>

#include "platform/sys/KnownFolders.h"

namespace lxq {

namespace {

void AddSlash(std::string& path) {
    if (path.empty() || path.back() != '/') path += '/';
}

} // namespace

std::string GetDataFolder() {
    std::string path = plat::sys::DocumentsFolder();
    if (path.size() < 3) {
        path = plat::sys::ProgramFolder();
        AddSlash(path);
        return path;
    }
    std::error_code ignored; // an existing folder is no error; a failure shows when files are written
    std::filesystem::create_directories(path, ignored);
    AddSlash(path);
    path += "Talvenor/";
    std::filesystem::create_directory(path, ignored);
    path += "Q745/";
    std::filesystem::create_directory(path, ignored);
    return path;
}

} // namespace lxq
