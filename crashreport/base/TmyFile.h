#pragma once
#include "crashreport/base/TmyObject.h"

#include <cstddef>
#include <cstdint>

namespace errvane {

// A file opened with open(2) flags. Asking to create without write access opens an existing
// file only. A failed open leaves no descriptor and writes a trace line.
class TmyFile : public TmyObject {
public:
    TmyFile(const char* path, int openFlags, unsigned mode = 0644);
    ~TmyFile() override;

    bool IsOpen() const { return fd_ >= 0; }
    virtual std::int64_t Size() const;
    virtual std::int64_t Position() const;
    virtual bool Seek(std::int64_t position);
    virtual std::size_t Write(const void* data, std::size_t bytes);
    virtual std::size_t Read(void* data, std::size_t bytes);

private:
    int fd_ = -1;
};

}  // namespace errvane
