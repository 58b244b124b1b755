#include "demod/dsp/RC_FileStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

RC_FileStream::RC_FileStream(const std::filesystem::path& path, bool create, std::uint32_t cacheSize)
    : file_(path, create) {
    if (!file_.IsOpen()) {
        return;
    }
    size_ = file_.Size();
    if (cacheSize > 0) {
        cache_.resize(cacheSize);
        work_.resize(cacheSize);
        cacheSize_ = cacheSize;
        ioThread_ = std::thread([this] { IoLoop(); });
    }
}

RC_FileStream::~RC_FileStream() {
    if (ioThread_.joinable()) {
        {
            std::lock_guard queue(queueMutex_);
            stop_ = true;
        }
        wake_.notify_all();
        ioThread_.join(); // the thread writes what is queued, then ends
    }
}

bool RC_FileStream::Seek(std::uint64_t& position, std::int64_t offset, int origin) {
    if (!file_.IsOpen()) {
        return false;
    }
    std::int64_t base = 0;
    switch (origin) {
    case kFromStart: base = 0; break;
    case kFromPosition: base = static_cast<std::int64_t>(position); break;
    case kFromEnd: base = static_cast<std::int64_t>(size_); break;
    default: return false;
    }
    // Held to 0..size without overflowing on extreme offsets.
    std::int64_t target;
    if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) {
        target = std::numeric_limits<std::int64_t>::max();
    } else {
        target = base + offset;
    }
    position = target < 0 ? 0 : std::min(static_cast<std::uint64_t>(target), size_);
    return true;
}

bool RC_FileStream::SeekRead(std::int64_t offset, int origin) {
    std::lock_guard state(stateMutex_);
    return Seek(readPosition_, offset, origin);
}

bool RC_FileStream::SeekWrite(std::int64_t offset, int origin) {
    std::lock_guard state(stateMutex_);
    return Seek(writePosition_, offset, origin);
}

std::uint64_t RC_FileStream::Size() const {
    std::lock_guard state(stateMutex_);
    return size_;
}

std::uint64_t RC_FileStream::ReadPosition() const {
    std::lock_guard state(stateMutex_);
    return readPosition_;
}

std::uint64_t RC_FileStream::WritePosition() const {
    std::lock_guard state(stateMutex_);
    return writePosition_;
}

std::uint32_t RC_FileStream::Read(void* buffer, std::uint32_t length) {
    if (!file_.IsOpen() || buffer == nullptr || length == 0) {
        return 0;
    }
    if (cacheSize_ > 0) {
        return ReadCached(buffer, length);
    }
    std::lock_guard state(stateMutex_);
    std::uint32_t got;
    {
        std::lock_guard file(fileMutex_);
        got = file_.ReadAt(readPosition_, buffer, length);
    }
    readPosition_ += got;
    return got;
}

std::uint32_t RC_FileStream::Write(const void* data, std::uint32_t length) {
    if (!file_.IsOpen() || data == nullptr || length == 0) {
        return 0;
    }
    if (cacheSize_ > 0) {
        return WriteCached(data, length);
    }
    std::lock_guard state(stateMutex_);
    {
        std::lock_guard file(fileMutex_);
        if (!file_.WriteAt(writePosition_, data, length)) {
            return 0;
        }
    }
    writePosition_ += length;
    size_ = std::max(size_, writePosition_);
    return length;
}

bool RC_FileStream::Truncate() {
    if (!file_.IsOpen()) {
        return false;
    }
    WaitForQueue();
    std::lock_guard state(stateMutex_);
    {
        std::lock_guard file(fileMutex_);
        if (!file_.Resize(writePosition_)) {
            return false;
        }
    }
    size_ = writePosition_;
    readPosition_ = std::min(readPosition_, size_);
    if (cacheStart_ + cached_ > size_) {
        cached_ = cacheStart_ >= size_ ? 0 : static_cast<std::uint32_t>(size_ - cacheStart_);
    }
    return true;
}

// ---- cached mode ----

void RC_FileStream::Wake() {
    {
        std::lock_guard queue(queueMutex_);
        wakeRequested_ = true;
    }
    wake_.notify_one();
}

void RC_FileStream::WaitForQueue() {
    if (!ioThread_.joinable()) {
        return;
    }
    std::unique_lock queue(queueMutex_);
    if (!pending_.empty() || writing_) {
        wakeRequested_ = true;
        wake_.notify_one();
        drained_.wait(queue, [this] { return pending_.empty() && !writing_; });
    }
}

std::uint32_t RC_FileStream::ReadCached(void* buffer, std::uint32_t length) {
    // Queued writes reach the file first, so both the cache and the file are current.
    WaitForQueue();
    std::uint32_t got = 0;
    {
        std::lock_guard state(stateMutex_);
        if (length > cacheSize_) {
            // Larger than the cache: read directly and let the cache start again.
            cached_ = 0;
            std::lock_guard file(fileMutex_);
            got = file_.ReadAt(readPosition_, buffer, length);
        } else {
            // What the cache holds at the position, then a refill for the rest: a read that
            // runs past the cached bytes still gets every byte up to the end of the file.
            auto* to = static_cast<std::byte*>(buffer);
            while (got < length) {
                const std::uint64_t at = readPosition_ + got;
                if (at < cacheStart_ || at >= cacheStart_ + cached_) {
                    std::lock_guard file(fileMutex_);
                    cacheStart_ = at;
                    cached_ = file_.ReadAt(at, cache_.data(), cacheSize_);
                    if (cached_ == 0) {
                        break;
                    }
                }
                const auto offset = static_cast<std::uint32_t>(at - cacheStart_);
                const std::uint32_t n = std::min(length - got, cached_ - offset);
                std::memcpy(to + got, cache_.data() + offset, n);
                got += n;
            }
        }
        readPosition_ += got;
    }
    Wake(); // read ahead
    return got;
}

std::uint32_t RC_FileStream::WriteCached(const void* data, std::uint32_t length) {
    std::lock_guard state(stateMutex_);
    {
        std::lock_guard queue(queueMutex_);
        const auto* from = static_cast<const std::byte*>(data);
        std::uint64_t offset = writePosition_;
        std::uint32_t left = length;
        // Free nodes first, each up to its capacity; the rest in one node of exactly that size.
        while (left > 0) {
            std::unique_ptr<WriteNode> node;
            if (!free_.empty()) {
                node = std::move(free_.back());
                free_.pop_back();
            } else {
                node = std::make_unique<WriteNode>();
                node->data.resize(left);
            }
            node->offset = offset;
            node->used = std::min<std::uint32_t>(left, static_cast<std::uint32_t>(node->data.size()));
            std::memcpy(node->data.data(), from, node->used);
            from += node->used;
            offset += node->used;
            left -= node->used;
            pending_.push_back(std::move(node));
        }
        wakeRequested_ = true;
    }
    wake_.notify_one();
    writePosition_ += length;
    size_ = std::max(size_, writePosition_);
    return length;
}

void RC_FileStream::IoLoop() {
    std::unique_lock queue(queueMutex_);
    for (;;) {
        wake_.wait(queue, [this] { return stop_ || wakeRequested_ || !pending_.empty(); });
        wakeRequested_ = false;
        if (stop_ && pending_.empty()) {
            break;
        }
        queue.unlock();
        WriteQueued();
        ReadAhead();
        queue.lock();
    }
    free_.clear();
    stop_ = false;
}

void RC_FileStream::WriteQueued() {
    for (;;) {
        std::unique_ptr<WriteNode> node;
        {
            std::lock_guard queue(queueMutex_);
            if (pending_.empty()) {
                break;
            }
            node = std::move(pending_.front());
            pending_.pop_front();
            writing_ = true;
        }
        {
            std::lock_guard file(fileMutex_);
            file_.WriteAt(node->offset, node->data.data(), node->used);
        }
        CopyIntoCache(*node);
        std::lock_guard queue(queueMutex_);
        free_.push_back(std::move(node));
        writing_ = false;
        if (pending_.empty()) {
            drained_.notify_all();
        }
    }
}

void RC_FileStream::CopyIntoCache(const WriteNode& node) {
    std::lock_guard state(stateMutex_);
    const std::uint64_t from = std::max(node.offset, cacheStart_);
    const std::uint64_t to = std::min(node.offset + node.used, cacheStart_ + cached_);
    if (from < to) {
        std::memcpy(cache_.data() + (from - cacheStart_), node.data.data() + (from - node.offset), to - from);
    }
}

void RC_FileStream::ReadAhead() {
    std::uint64_t end;
    std::uint32_t want;
    {
        std::lock_guard state(stateMutex_);
        // Bytes already consumed make room once they are more than a quarter of the cache.
        if (readPosition_ > cacheStart_ && readPosition_ - cacheStart_ > cacheSize_ / 4) {
            const auto consumed = static_cast<std::uint32_t>(std::min<std::uint64_t>(readPosition_ - cacheStart_, cached_));
            std::memmove(cache_.data(), cache_.data() + consumed, cached_ - consumed);
            cached_ -= consumed;
            cacheStart_ += consumed;
        }
        end = cacheStart_ + cached_;
        if (cached_ >= cacheSize_ || end >= size_) {
            return;
        }
        want = static_cast<std::uint32_t>(std::min<std::uint64_t>(cacheSize_ - cached_, size_ - end));
    }
    std::uint32_t got;
    {
        std::lock_guard file(fileMutex_);
        got = file_.ReadAt(end, work_.data(), want);
    }
    std::lock_guard state(stateMutex_);
    // The cache may have moved meanwhile: append only what still follows its end.
    const std::uint64_t now = cacheStart_ + cached_;
    if (now < end || now >= end + got) {
        return;
    }
    const auto skip = static_cast<std::uint32_t>(now - end);
    const std::uint32_t room = cacheSize_ - cached_;
    // A truncation meanwhile leaves nothing past the new end in the cache.
    const std::uint64_t valid = size_ > now ? size_ - now : 0;
    const auto take = static_cast<std::uint32_t>(std::min<std::uint64_t>({got - skip, room, valid}));
    std::memcpy(cache_.data() + cached_, work_.data() + skip, take);
    cached_ += take;
}
