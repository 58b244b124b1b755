#include "platform/sys/Module.h"

#include "platform/sys/KnownFolders.h"

#include <dlfcn.h>
#include <strings.h>

namespace plat::sys {

std::string MapModuleName(std::string_view systemName) {
    std::string name(systemName);
    if (name.find('/') != std::string::npos) return name;
    if (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".dll") == 0) {
        std::string stem = name.substr(0, name.size() - 4);
        // The system spells its own library in capitals in places ("LXQ745API"); the file is
        // lower case.
        if (strcasecmp(stem.c_str(), "lxq745api") == 0) stem = "lxq745api";
        return "lib" + stem + ".so";
    }
    return name;
}

std::unique_ptr<Module> Module::Load(std::string_view systemName) {
    const std::string file = MapModuleName(systemName);
    std::string candidates[2];
    int count = 0;
    if (file.find('/') != std::string::npos) {
        candidates[count++] = file;
    } else {
        const std::string programFolder = ProgramFolder();
        if (!programFolder.empty()) candidates[count++] = programFolder + "/" + file;
        candidates[count++] = file;
    }
    for (int i = 0; i < count; ++i) {
        if (void* handle = dlopen(candidates[i].c_str(), RTLD_NOW | RTLD_LOCAL))
            return std::unique_ptr<Module>(new Module(handle, candidates[i]));
    }
    return nullptr;
}

Module::~Module() { dlclose(handle_); }

void* Module::Symbol(const char* name) const { return dlsym(handle_, name); }

} // namespace plat::sys
