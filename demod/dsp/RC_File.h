#pragma once
// Random access to one file with plain C++ streams: reads and writes at explicit offsets, the
// size, and cutting the file to a length. Not synchronised: the owner serialises every call.

#include <cstdint>
#include <filesystem>
#include <fstream>

class RC_File {
public:
    // Opens an existing file for reading and writing; when it does not exist and `create` is
    // set, makes the missing folders of its path and creates it empty.
    RC_File(const std::filesystem::path& path, bool create);
    RC_File(const RC_File&) = delete;
    RC_File& operator=(const RC_File&) = delete;

    bool IsOpen() const { return open_; }
    bool OpenedExisting() const { return existed_; }

    // Bytes read (fewer at the end of the file); 0 when closed.
    std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t length);
    // True when every byte went to the file.
    bool WriteAt(std::uint64_t offset, const void* data, std::uint32_t length);
    std::uint64_t Size();
    bool Resize(std::uint64_t size);

private:
    std::filesystem::path path_;
    std::fstream stream_;
    bool open_ = false;
    bool existed_ = false;
};
