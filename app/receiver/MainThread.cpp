#include "app/receiver/MainThread.h"

#include <atomic>
#include <cstdint>

#include "platform/win/MessageApi.h"

namespace lxq {
namespace {
std::atomic<std::uint32_t> mainThread{0};
} // namespace

void RecordMainThread() { mainThread.store(plat::win::GetCurrentThreadId()); }

bool OnMainThread() { return mainThread.load() == plat::win::GetCurrentThreadId(); }

} // namespace lxq
