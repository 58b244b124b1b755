#include "platform/sys/SettingsStore.h"

#include "platform/sys/KnownFolders.h"
#include "platform/sys/ProfileFile.h"

#include <sys/stat.h>

namespace plat::sys {

SettingsStore::SettingsStore() : path_(ConfigFolder() + "/lxq745/settings.ini") {}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

std::optional<std::string> SettingsStore::ReadString(std::string_view keyPath,
                                                     std::string_view name) const {
    return ProfileFile(path_).ReadString(keyPath, name);
}

std::optional<std::uint32_t> SettingsStore::ReadInt(std::string_view keyPath,
                                                    std::string_view name) const {
    const ProfileFile file(path_);
    if (!file.ReadString(keyPath, name)) return std::nullopt;
    return file.ReadInt(keyPath, name, 0);
}

bool SettingsStore::WriteString(std::string_view keyPath, std::string_view name,
                                std::string_view value) {
    const auto slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        // Create the folder chain; existing folders are fine.
        for (std::size_t pos = 1; pos <= slash; ++pos) {
            if (pos == slash || path_[pos] == '/') mkdir(path_.substr(0, pos).c_str(), 0700);
        }
    }
    return ProfileFile(path_).WriteString(keyPath, name, value);
}

bool SettingsStore::WriteInt(std::string_view keyPath, std::string_view name,
                             std::uint32_t value) {
    return WriteString(keyPath, name, std::to_string(value));
}

} // namespace plat::sys
