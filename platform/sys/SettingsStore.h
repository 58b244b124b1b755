#pragma once
// The per-user settings store that stands where the system expects a registry: values under key
// paths ("Software\KVR", value "SearchPath"), kept in a text file under the configuration folder
// ($XDG_CONFIG_HOME/lxq745/settings.ini), one section per key path.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat::sys {

class SettingsStore {
public:
    // The user's store.
    SettingsStore();
    // A store in the given file (tests).
    explicit SettingsStore(std::string path);

    std::optional<std::string> ReadString(std::string_view keyPath, std::string_view name) const;
    std::optional<std::uint32_t> ReadInt(std::string_view keyPath, std::string_view name) const;
    bool WriteString(std::string_view keyPath, std::string_view name, std::string_view value);
    bool WriteInt(std::string_view keyPath, std::string_view name, std::uint32_t value);

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace plat::sys
