#include "api/CodecStream.h"

#include "driver/transport/CodecRing.h"
#include "platform/sys/DescriptorMapping.h"
#include "platform/sys/PassableEvent.h"
#include "platform/sys/Thread.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace lxq::api {

using transport::CodecRingHeader;
using transport::kCodecRingHeaderSize;

struct CodecStream::Resources {
    plat::sys::PassableEvent event;
    std::atomic<bool> eventStored{true}; // cleared (and the event set) to end the callback thread
    plat::sys::Thread thread;
    std::unique_ptr<plat::sys::DescriptorMapping> ring;
    std::uint64_t size = 0; // the data area, as this process asked for it
};

namespace {

// Ends the callback thread and unmaps the ring; the caller holds the codec lock, so no read is
// copying from the ring meanwhile. With wait, returns once the thread has ended (the caller must
// hold no lock a callback may need); without, the thread ends on its own after its current
// callback (removal and close run under locks that a callback's own requests take).
void Release(const std::shared_ptr<CodecStream::Resources>& res, bool wait) {
    res->eventStored = false;
    res->event.Set();
    if (wait) res->thread.Join(); // detaches when the callback itself stops the stream
    res->ring.reset();
}

std::uint64_t& HeaderWord(std::uint8_t* base, std::size_t offset) {
    return *reinterpret_cast<std::uint64_t*>(base + offset);
}

} // namespace

std::int32_t CodecStream::Start(std::int32_t index, LXQ_CODEC_CALLBACK callback, void* context) {
    RadioSlot* slot = library_.Lookup(index);
    if (slot == nullptr) return 0;
    LocalRadio& local = library_.Local(index);
    // The device lock keeps the link from going away under the request (a removal resets it, and
    // marks the slot, under that lock); the codec lock covers the whole start. Taken in the order
    // the removal takes them.
    std::lock_guard deviceLock(local.deviceLock);
    std::lock_guard codecLock(local.codecLock);
    if (slot->simulated != 0 || local.codecStreaming) return 0;
    auto res = std::make_shared<Resources>();
    if (!res->event.Valid()) return 0;
    local.codecCallback = callback;
    local.codecContext = context;
    if (callback != nullptr) {
        RadioLibrary& library = library_;
        res->thread = plat::sys::Thread(
            [res, &library, index] {
                LocalRadio& radio = library.Local(index);
                while (res->eventStored) {
                    res->event.Wait();
                    if (res->eventStored && radio.codecCallback != nullptr) radio.codecCallback(radio.codecContext);
                }
            },
            plat::sys::ThreadPriority::Highest);
    }

    CodecStartRequest request{};
    request.eventHandle = static_cast<std::uint64_t>(res->event.Descriptor());
    request.ringSize = kCodecRingSizeDefault;
    std::uint64_t length = 0, bytes = 0;
    int ringDescriptor = -1;
    const std::uint32_t status =
        local.link ? local.link->ControlWithDescriptor(IOCTL_LXQ745_CODEC_START, &request, sizeof request, &length,
                                                       sizeof length, res->event.Descriptor(), &ringDescriptor, &bytes)
                   : kStatusNoDevice;
    library_.NoteAnswer(index, status);
    if (IsSuccess(status)) {
        // The ring must be the size asked for: the reader relies on its own idea of the size.
        if (length == kCodecRingHeaderSize + request.ringSize)
            res->ring = plat::sys::DescriptorMapping::Map(ringDescriptor, static_cast<std::size_t>(length));
        else if (ringDescriptor >= 0)
            plat::sys::DescriptorMapping::Map(ringDescriptor, 0); // closes it
        if (res->ring == nullptr) library_.Send(index, IOCTL_LXQ745_CODEC_STOP, nullptr, 0, nullptr, 0);
    }
    if (res->ring == nullptr) {
        Release(res, true);
        return 0;
    }
    res->size = request.ringSize;
    resources_[static_cast<std::size_t>(index - 1)] = res;
    local.codecRelease = [res] { Release(res, false); };
    local.codecRestart = [this, index, callback, context] { Start(index, callback, context); };
    local.codecRestartDue = false;
    local.codecStreaming = true;
    return 1;
}

std::int32_t CodecStream::Stop(std::int32_t index) {
    RadioSlot* slot = library_.Lookup(index);
    if (slot == nullptr) return 0;
    LocalRadio& local = library_.Local(index);
    std::unique_lock deviceLock(local.deviceLock);
    std::lock_guard codecLock(local.codecLock);
    if (slot->simulated != 0 || slot->disconnected != 0 || !local.codecStreaming) return 0;
    local.codecStreaming = false;
    local.codecRestartDue = false;
    local.codecRelease = nullptr;
    if (local.link) library_.Send(index, IOCTL_LXQ745_CODEC_STOP, nullptr, 0, nullptr, 0);
    // The callback may call exports that take the device lock: it is let go before the wait.
    deviceLock.unlock();
    if (const auto res = resources_[static_cast<std::size_t>(index - 1)]) Release(res, true);
    return 1;
}

CodecStream::~CodecStream() {
    // Callback threads end before the library they call into goes away.
    for (auto& res : resources_)
        if (res) Release(res, true);
}

std::uint64_t CodecStream::Read(std::int32_t index, void* destination, std::uint64_t length) {
    if (library_.Lookup(index) == nullptr) return 0;
    LocalRadio& local = library_.Local(index);
    if (!local.codecLock.TryLock()) return 0;
    std::lock_guard codecLock(local.codecLock, std::adopt_lock);
    const std::shared_ptr<Resources>& res = resources_[static_cast<std::size_t>(index - 1)];
    // A simulated receiver never streams, so the mark answers for it too.
    if (!local.codecStreaming || res == nullptr || res->ring == nullptr) return 0;

    std::uint8_t* base = res->ring->Base();
    const std::uint8_t* data = base + kCodecRingHeaderSize;
    const std::uint64_t size = res->size;
    std::atomic_ref<std::uint64_t> writeIndex(HeaderWord(base, offsetof(CodecRingHeader, writeIndex)));
    std::atomic_ref<std::uint64_t> readIndex(HeaderWord(base, offsetof(CodecRingHeader, readIndex)));
    auto* out = static_cast<std::uint8_t*>(destination);
    std::uint64_t copied = 0;
    std::uint64_t r = readIndex.load(std::memory_order_relaxed);
    while (copied < length) {
        const std::uint64_t w = writeIndex.load(std::memory_order_acquire);
        if (w >= size || r >= size || w == r) break; // empty (or indices no ring can have)
        std::uint64_t n = (size - r + w) % size;
        if (n > length - copied) n = length - copied;
        if (r + n > size) n = size - r; // up to the end now, the rest in the next round
        std::memcpy(out + copied, data + r, n);
        copied += n;
        r = (r + n) % size;
        readIndex.store(r, std::memory_order_release);
    }
    return copied;
}

} // namespace lxq::api
