#pragma once
// The plug-in's random-access file: its own read position, write position and file size, so a
// caller can scan a file while writing elsewhere in it. Without a cache every operation goes
// straight to the file. With a cache, reads are served from a read-ahead buffer and writes are
// queued and written behind by the stream's own I/O thread; the size and positions the caller
// sees advance at once, and every read first waits until the queued writes are in the file.
//
// Locks: the state lock (positions, size, cache), then the file lock (every file access), never
// the other way round; the queue lock guards the write nodes alone.

#include "demod/dsp/RC_File.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class RC_FileStream {
public:
    // Origins of the seek operations.
    static constexpr int kFromStart = 0;
    static constexpr int kFromPosition = 1;
    static constexpr int kFromEnd = 2;

    // Opens the file for reading and writing; when it does not exist and `create` is set, makes
    // the folders of its path and creates it. A non-zero cache size starts the I/O thread.
    RC_FileStream(const std::filesystem::path& path, bool create, std::uint32_t cacheSize = 0);
    RC_FileStream(const RC_FileStream&) = delete;
    RC_FileStream& operator=(const RC_FileStream&) = delete;
    virtual ~RC_FileStream();

    bool IsOpen() const { return file_.IsOpen(); }
    bool OpenedExisting() const { return file_.OpenedExisting(); }

    // New position = origin + offset, held to 0..size. False (and nothing moves) only when no
    // file is open or the origin is unknown.
    bool SeekRead(std::int64_t offset, int origin);
    bool SeekWrite(std::int64_t offset, int origin);
    // Bytes read at the read position, which advances by as many.
    std::uint32_t Read(void* buffer, std::uint32_t length);
    // Bytes taken at the write position, which advances by as many (the size grows with it);
    // 0 for length 0, no file, or a failed write (positions then stay).
    std::uint32_t Write(const void* data, std::uint32_t length);
    // Cuts the file at the write position; a read position beyond it comes back to it.
    bool Truncate();

    std::uint64_t Size() const;
    std::uint64_t ReadPosition() const;
    std::uint64_t WritePosition() const;

private:
    struct WriteNode {
        std::uint64_t offset = 0;
        std::uint32_t used = 0;
        std::vector<std::byte> data; // its size is the node's capacity
    };

    bool Seek(std::uint64_t& position, std::int64_t offset, int origin);
    std::uint32_t ReadCached(void* buffer, std::uint32_t length);
    std::uint32_t WriteCached(const void* data, std::uint32_t length);
    // Blocks until the I/O thread has written every queued node.
    void WaitForQueue();
    void Wake();
    void IoLoop();
    void WriteQueued();
    void ReadAhead();
    // The bytes of a written node that fall inside the cached range go into the cache.
    void CopyIntoCache(const WriteNode& node);

    // State: positions, size, cache.
    mutable std::mutex stateMutex_;
    std::vector<std::byte> cache_;
    std::uint32_t cacheSize_ = 0;
    std::uint32_t cached_ = 0;
    std::uint64_t cacheStart_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t readPosition_ = 0;
    std::uint64_t writePosition_ = 0;
    std::vector<std::byte> work_; // read-ahead buffer, the I/O thread's own

    // The file itself.
    std::mutex fileMutex_;
    RC_File file_;

    // Write-behind queue and the I/O thread's wake-up.
    std::mutex queueMutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    bool wakeRequested_ = false;
    bool stop_ = false;
    bool writing_ = false; // a node is being written outside the queue lock
    std::deque<std::unique_ptr<WriteNode>> pending_;
    std::vector<std::unique_ptr<WriteNode>> free_;
    std::thread ioThread_;
};
