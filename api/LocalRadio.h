#pragma once
// What this process keeps for one receiver slot beside the shared table: the device lock that
// serialises its requests, the codec lock, the open device, and the block scan's thread and step
// event. None of it is visible to other processes.

#include "api/DeviceProvider.h"
#include "api/Lxq745Api.h"
#include "platform/sys/Event.h"
#include "platform/sys/RecursiveMutex.h"
#include "platform/sys/Thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace lxq::api {

struct LocalRadio {
    // Whether this process has the slot open: the table's open count and owner, mirrored under
    // the exclusion mutex for lookups, which must not take that mutex (the scan thread looks up
    // while holding the device lock, and the device-change thread holds the mutex while it joins
    // the scan thread).
    std::atomic<bool> held{false};
    // The slot's disconnected mark for this process's open receiver, mirrored where it is written,
    // for the connection query that never waits for the device lock.
    std::atomic<bool> unplugged{false};
    // The slot's last measured level (tenths of dBm), mirrored where it is written under the
    // device lock, for the last-level queries that never wait for that lock.
    std::atomic<std::int32_t> lastLevel{0};
    // Set when a request to the open receiver went unanswered for the whole request time-out, and
    // cleared by the next answer that comes: every thread of the process sees a receiver that
    // stopped answering as gone from its first time-out, also while another request holds the
    // device lock. Only a time-out sets it, so a slow receiver that still answers never reads
    // as gone.
    std::atomic<bool> notAnswering{false};
    // The cached settings (RadioControl's setting bits) whose set request went unanswered: the
    // receiver may have taken the value as it woke, so the cache no longer says what it holds.
    // Written under the device lock; read without it by a set export that would skip an
    // unchanged value, which sends it instead while the setting is marked here.
    std::atomic<std::uint32_t> unknownSettings{0};
    // The last request that went unanswered for the whole time-out (the link's id for it; 0:
    // none), and the set request among them whose outcome the cache waits for: which setting,
    // and what the cache held before. The host was asked to cancel the request; its late answer
    // tells whether it ran. Under the device lock.
    std::uint32_t unansweredRequest = 0;
    struct LateSet {
        std::uint32_t request = 0; // 0: none
        std::uint32_t setting = 0;
        std::uint64_t before = 0;
    } lateSet;
    // Set (under the exclusion mutex) while this process opens or reconnects the slot's device
    // outside that mutex; a removal meanwhile is noted for the opener to act on.
    bool opening = false;
    bool removedWhileOpening = false;

    // Serialises the requests and guards the slot's cached fields, which the device-change thread
    // rewrites under it.
    plat::sys::RecursiveMutex deviceLock;
    plat::sys::RecursiveMutex codecLock;
    std::unique_ptr<DeviceLink> link;

    // Block scan: the step event is set while the scan may run and reset to pause it; clearing
    // scanActive is the stop request that the scan thread checks at every step.
    std::unique_ptr<plat::sys::Event> scanStep;
    plat::sys::Thread scanThread;
    std::atomic<bool> scanActive{false};

    // Codec stream: marked while streaming, and kept marked across a removal for the restart.
    bool codecStreaming = false;
    LXQ_CODEC_CALLBACK codecCallback = nullptr;
    void* codecContext = nullptr;
    // Ends this process's side of the stream (callback thread, event, mapped ring).
    std::function<void()> codecRelease;
    // Starts the stream again with the same callback and context; set while streaming, and run
    // when the receiver returns after a removal cut its stream.
    std::function<void()> codecRestart;
    bool codecRestartDue = false;

    // Requests the scan to stop, wakes it if paused and waits for its thread. Must not be called
    // while holding the device lock, which the scan thread takes for every step.
    void StopScan() {
        scanActive.store(false);
        if (scanStep) scanStep->Set();
        scanThread.Join();
    }
};

} // namespace lxq::api
