#include "demod/dsp/RC_File.h"

#include <limits>
#include <system_error>

RC_File::RC_File(const std::filesystem::path& path, bool create) : path_(path) {
    constexpr auto kMode = std::ios::in | std::ios::out | std::ios::binary;
    stream_.open(path_, kMode);
    if (stream_.is_open()) {
        open_ = existed_ = true;
        return;
    }
    std::error_code error;
    if (!create || std::filesystem::exists(path_, error)) {
        return; // present but not openable, or not to be created
    }
    if (path_.has_parent_path()) {
        std::filesystem::create_directories(path_.parent_path(), error);
    }
    stream_.clear();
    stream_.open(path_, kMode | std::ios::trunc);
    open_ = stream_.is_open();
}

std::uint32_t RC_File::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t length) {
    if (!open_ || buffer == nullptr || length == 0 ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
        return 0;
    }
    stream_.clear();
    if (!stream_.seekg(static_cast<std::streamoff>(offset))) {
        stream_.clear();
        return 0;
    }
    stream_.read(static_cast<char*>(buffer), length);
    const auto got = static_cast<std::uint32_t>(stream_.gcount());
    stream_.clear(); // a short read at the end is not an error of the stream
    return got;
}

bool RC_File::WriteAt(std::uint64_t offset, const void* data, std::uint32_t length) {
    if (!open_ || data == nullptr ||
        offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max())) {
        return false;
    }
    stream_.clear();
    stream_.seekp(static_cast<std::streamoff>(offset));
    stream_.write(static_cast<const char*>(data), length);
    stream_.flush();
    const bool written = !stream_.fail();
    stream_.clear();
    return written;
}

std::uint64_t RC_File::Size() {
    if (!open_) {
        return 0;
    }
    stream_.clear();
    stream_.seekg(0, std::ios::end);
    const std::streamoff end = stream_.tellg();
    stream_.clear();
    return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

bool RC_File::Resize(std::uint64_t size) {
    if (!open_) {
        return false;
    }
    stream_.flush();
    std::error_code error;
    std::filesystem::resize_file(path_, size, error);
    stream_.clear();
    stream_.seekg(0); // drops whatever the stream buffered of the old content
    stream_.clear();
    return !error;
}
