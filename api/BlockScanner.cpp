#include "api/BlockScanner.h"

#include "api/ProcessRandom.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"

#include <cstring>
#include <mutex>

namespace lxq::api {
namespace {

constexpr std::uint32_t kPipelineDwell = 20;

} // namespace

std::int32_t BlockScanner::Start(std::int32_t index, std::uint32_t* list, std::uint32_t count,
                                 std::int32_t stopLevel, std::uint32_t reportIntervalMs,
                                 std::uint32_t window, std::uint32_t message) {
    RadioSlot* slot = lib_.Lookup(index);
    if (!slot || (!list && count != 0)) return 0;
    LocalRadio& local = lib_.Local(index);
    local.StopScan();
    slot->scanList = reinterpret_cast<std::uintptr_t>(list);
    slot->scanCount = count;
    slot->scanStopLevel = static_cast<std::uint32_t>(stopLevel);
    slot->scanReportIntervalMs = reportIntervalMs;
    slot->scanWindow = window;
    slot->scanMessage = message;
    if (!local.scanStep)
        local.scanStep = std::make_unique<plat::sys::Event>(plat::sys::Event::Reset::Manual, true);
    local.scanActive.store(true);
    slot->scanThread = 1;
    const Job job{list, count, stopLevel, reportIntervalMs, window, message};
    try {
        local.scanThread = plat::sys::Thread([this, index, job] { Run(index, job); },
                                             plat::sys::ThreadPriority::Lowest);
    } catch (...) {
        // No thread: no scan.
        local.scanActive.store(false);
        slot->scanThread = 0;
        return 0;
    }
    return 1;
}

std::int32_t BlockScanner::Stop(std::int32_t index) {
    RadioSlot* slot = lib_.Lookup(index);
    if (!slot) return 0;
    LocalRadio& local = lib_.Local(index);
    local.StopScan();
    slot->scanThread = 0;
    return 1;
}

std::int32_t BlockScanner::Pause(std::int32_t index) {
    LocalRadio& local = lib_.Local(index);
    if (!lib_.Lookup(index) || !local.scanActive.load() || !local.scanStep) return 0;
    local.scanStep->ResetEvent();
    return 1;
}

std::int32_t BlockScanner::Resume(std::int32_t index) {
    LocalRadio& local = lib_.Local(index);
    if (!lib_.Lookup(index) || !local.scanActive.load() || !local.scanStep) return 0;
    local.scanStep->Set();
    return 1;
}

std::int32_t BlockScanner::Measure(std::int32_t index, const Job& job, std::uint32_t j,
                                   bool direct) {
    LocalRadio& local = lib_.Local(index);
    auto stopped = [&] { return !local.scanActive.load(); };
    if (lib_.Slot(index).simulated) return ctl_.GetRawSignalStrength(index);
    if (direct) {
        while (ctl_.IsBusy(index)) {
            if (stopped()) return -1;
        }
        if (stopped()) return -1;
        if (ctl_.SetFrequency(index, job.list[j]) && stopped()) return -1;
        return ctl_.GetRawSignalStrength(index); // measured even when tuning failed
    }
    if (j == 0 && ctl_.SetFreqPipelined(index, job.list[0], 1, kPipelineDwell) != 0) return -1;
    const std::uint32_t next = j + 1 < job.count ? job.list[j + 1] : job.list[j];
    const std::int32_t queued = ctl_.SetFreqPipelined(index, next, 0, kPipelineDwell);
    std::int32_t raw = -1;
    const std::int32_t measured = ctl_.GetSSPipelined(index, nullptr, &raw, nullptr, nullptr);
    if (queued != 0 || measured != 0 || stopped()) return -1;
    return raw;
}

void BlockScanner::Run(std::int32_t index, Job job) {
    RadioSlot& slot = lib_.Slot(index);
    LocalRadio& local = lib_.Local(index);
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    std::int64_t t0 = clock.NowMs();
    bool direct;
    {
        std::lock_guard lock(local.deviceLock); // an EEPROM write rereads the image under it
        direct = std::memcmp(slot.eeprom.modelId, "Q7PCI", 5) == 0;
    }
    SeedProcessRandom(static_cast<std::uint32_t>(t0));
    slot.scanRunning = 1;
    auto post = [&](std::uint32_t from, std::uint32_t n) {
        plat::win::PostMessage(job.window, job.message,
                               n ? reinterpret_cast<std::uintptr_t>(job.list + from) : 0,
                               static_cast<std::intptr_t>(n));
    };
    std::uint32_t j = 0, d = 0;
    while (job.count != 0 && local.scanActive.load()) {
        std::unique_lock lock(local.deviceLock);
        const std::int32_t e = Measure(index, job, j, direct);
        // A failed measurement gives up; so does a real receiver's reading of 0.
        if (e < 0 || (e == 0 && !slot.simulated)) break;
        job.list[j] = static_cast<std::uint32_t>(e);
        ++j;
        if (e >= job.stopLevel) {
            post(d, j - d);
            lock.unlock();
            post(0, 0);
            slot.scanRunning = 0;
            return;
        }
        if (clock.NowMs() - t0 > static_cast<std::int64_t>(job.reportIntervalMs)) {
            post(d, j - d);
            t0 = clock.NowMs();
            d = j;
        }
        lock.unlock();
        local.scanStep->Wait(); // a paused scan waits here
        if (j >= job.count) break;
    }
    if (j > d) post(d, j - d);
    post(0, 0);
    slot.scanRunning = 0;
}

} // namespace lxq::api
