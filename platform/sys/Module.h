#pragma once
// Run-time loading of libraries by the names the system's code spells ("lxq745api.dll",
// "dbmtable.dll"): one function maps such a name to the file actually loaded, and the program's
// own folder is searched first.

#include <memory>
#include <string>
#include <string_view>

namespace plat::sys {

// "lxq745api.dll" -> "liblxq745api.so", "ErrVane.dll" -> "libErrVane.so". A name with another
// extension ("plugin.kvr") or with a folder in it is kept as it is.
std::string MapModuleName(std::string_view systemName);

class Module {
public:
    // Loads the mapped name from the program's folder, else through the loader's search path.
    // A name with a folder in it is loaded from there only. Null when it cannot be loaded.
    static std::unique_ptr<Module> Load(std::string_view systemName);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Address of an exported symbol, or null.
    void* Symbol(const char* name) const;
    const std::string& Path() const { return path_; }

private:
    Module(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_;
    std::string path_;
};

} // namespace plat::sys
