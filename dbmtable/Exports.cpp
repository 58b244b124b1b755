// The exported functions of the calibration library: a table of loaded files behind handles.

#include "dbmtable/DbmTable.h"

#include <memory>
#include <mutex>
#include <vector>

#include "dbmtable/CalFile.h"
#include "platform/sys/AtomicFile.h"
#include "platform/sys/KnownFolders.h"

namespace {

constexpr std::size_t kMaxHandles = 256;

std::mutex tableLock;
std::vector<std::unique_ptr<dbm::CalFile>> loaded; // index = handle

// A calibration file holds a few tables of a few hundred points; anything longer, or anything but
// a plain file (a named pipe would hold the loading program for good), is no calibration file.
constexpr std::size_t kMaxCalFileBytes = std::size_t{4} << 20;

bool ReadFile(const std::string& path, std::string& text) {
    plat::sys::FileRead read = plat::sys::ReadPlainFileWithin(path, kMaxCalFileBytes);
    if (read.outcome != plat::sys::ReadOutcome::Read) return false;
    text = std::move(read.bytes);
    return true;
}

const dbm::CalTable* FindTable(int32_t handle, const char* section, int32_t selector) {
    if (handle < 0 || static_cast<std::size_t>(handle) >= loaded.size() || !loaded[handle] ||
        !section)
        return nullptr;
    return loaded[handle]->Find(section, selector);
}

} // namespace

extern "C" {

DBMTABLE_EXPORT int32_t LoadCALFile(const char* fileName) try {
    if (!fileName || !*fileName) return DBM_ERROR_NO_FILE;
    std::string name(fileName), text;
    bool found = ReadFile(name, text);
    if (!found && name.front() != '/') {
        const std::string folder = plat::sys::ProgramFolder();
        found = !folder.empty() && ReadFile(folder + "/" + name, text);
    }
    if (!found) return DBM_ERROR_NO_FILE;
    auto file = dbm::CalFile::Parse(text);
    if (!file) return DBM_ERROR_SYNTAX;
    std::lock_guard lock(tableLock);
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        if (!loaded[i]) {
            loaded[i] = std::make_unique<dbm::CalFile>(std::move(*file));
            return static_cast<int32_t>(i);
        }
    }
    if (loaded.size() >= kMaxHandles) return DBM_ERROR_FULL;
    loaded.push_back(std::make_unique<dbm::CalFile>(std::move(*file)));
    return static_cast<int32_t>(loaded.size() - 1);
} catch (...) {
    return DBM_ERROR_NO_FILE;
}

DBMTABLE_EXPORT int32_t GetCS(int32_t handle, const char* section, int32_t selector,
                              int64_t frequencyHz, DBM_LEVEL_REQUEST* request) try {
    if (!request || request->size != static_cast<int32_t>(sizeof(DBM_LEVEL_REQUEST))) return 0;
    std::lock_guard lock(tableLock);
    const dbm::CalTable* table = FindTable(handle, section, selector);
    if (!table) return 0;
    request->dbm = dbm::CalFile::Level(*table, frequencyHz, request->raw);
    return DBM_ANSWERED;
} catch (...) {
    return 0;
}

DBMTABLE_EXPORT void Unload(int32_t handle) {
    std::lock_guard lock(tableLock);
    if (handle >= 0 && static_cast<std::size_t>(handle) < loaded.size()) loaded[handle].reset();
}

DBMTABLE_EXPORT int32_t GetFrequencies(int32_t handle, const char* section, int32_t selector,
                                       int64_t* frequencies, int32_t bufferSize) {
    if (!frequencies || bufferSize < static_cast<int32_t>(sizeof(int64_t))) return 0;
    std::lock_guard lock(tableLock);
    const dbm::CalTable* table = FindTable(handle, section, selector);
    if (!table) return 0;
    const std::size_t room = static_cast<std::size_t>(bufferSize) / sizeof(int64_t);
    const std::size_t rows = table->rows.size();
    const std::size_t n = rows < room ? rows : room;
    for (std::size_t k = 0; k < n; ++k) frequencies[k] = table->rows[k].hz;
    // Callers take the last frequency written as the table's upper limit: when the rows do not
    // all fit, the last slot holds the table's real last row.
    if (n < rows) frequencies[n - 1] = table->rows.back().hz;
    return static_cast<int32_t>(n * sizeof(int64_t));
}

} // extern "C"
