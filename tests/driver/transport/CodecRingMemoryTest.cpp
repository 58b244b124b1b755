// The codec ring's memory as the host creates it and the process maps it, and the event the
// process passes in: the process's mapping outlives the host's, a descriptor claiming more memory
// than it has is refused, a process cannot shrink the memory under the host, and only an eventfd
// is ever signalled, never waiting on one the process filled.

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>
#include <limits>

#include "driver/host/CodecRingMemory.h"
#include "platform/sys/DescriptorMapping.h"

namespace lxq::host {
namespace {

TEST(CodecRingMemory, TheProcessMappingSeesTheHostsWritesAndOutlivesIt) {
    auto memory = MemfdRingMemory::Create(4096);
    ASSERT_NE(memory, nullptr);
    auto mapping = plat::sys::DescriptorMapping::Map(memory->DuplicateHandle(), 4096);
    ASSERT_NE(mapping, nullptr);
    std::memcpy(memory->Base() + 100, "audio", 5);
    EXPECT_EQ(std::memcmp(mapping->Base() + 100, "audio", 5), 0);
    memory.reset(); // the device went away
    EXPECT_EQ(std::memcmp(mapping->Base() + 100, "audio", 5), 0);
    mapping->Base()[4095] = 1; // still the process's own memory
}

TEST(CodecRingMemory, AMappingLongerThanTheMemoryIsRefused) {
    auto memory = MemfdRingMemory::Create(4096);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(plat::sys::DescriptorMapping::Map(memory->DuplicateHandle(), 8192), nullptr);
    EXPECT_EQ(plat::sys::DescriptorMapping::Map(-1, 4096), nullptr);
}

TEST(CodecRingMemory, OnlyAnEventIsSignalled) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    EXPECT_EQ(EventFdSignal::Adopt(pipeFds[1]), nullptr); // taken over and closed, never written
    close(pipeFds[0]);

    const int event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    auto signal = EventFdSignal::Adopt(dup(event));
    ASSERT_NE(signal, nullptr);
    signal->Signal();
    signal->Signal();
    std::uint64_t count = 0;
    ASSERT_EQ(read(event, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    EXPECT_EQ(count, 2u);
    close(event);
}

} // namespace
} // namespace lxq::host

namespace lxq::host {
namespace {

TEST(CodecRingMemory, AProcessCannotShrinkOrGrowTheMemoryUnderTheHost) {
    auto memory = MemfdRingMemory::Create(8192);
    ASSERT_NE(memory, nullptr);
    const int handed = memory->DuplicateHandle(); // what the process gets
    ASSERT_GE(handed, 0);
    EXPECT_NE(ftruncate(handed, 0), 0) << "a truncated ring would fault the host's next write";
    EXPECT_NE(ftruncate(handed, 1 << 20), 0);
    memory->Base()[8191] = 7; // the host writes to the end of its mapping as before
    EXPECT_EQ(memory->Base()[8191], 7);
    close(handed);
}

TEST(CodecRingMemory, AFullBlockingEventIsNotWaitedOn) {
    // The process's own blocking eventfd, its counter as full as it can be: a write would wait
    // until the process reads, which a hostile one never does.
    const int event = eventfd(0, EFD_CLOEXEC);
    const std::uint64_t full = std::numeric_limits<std::uint64_t>::max() - 1;
    ASSERT_EQ(write(event, &full, sizeof full), static_cast<ssize_t>(sizeof full));
    auto signal = EventFdSignal::Adopt(dup(event));
    ASSERT_NE(signal, nullptr);
    signal->Signal(); // returns at once
    signal->Signal();
    std::uint64_t count = 0;
    ASSERT_EQ(read(event, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    EXPECT_EQ(count, full) << "nothing was added to a full counter";
    signal->Signal(); // room again: the reader is woken as before
    ASSERT_EQ(read(event, &count, sizeof count), static_cast<ssize_t>(sizeof count));
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(signal->Answering());
    close(event);
}

} // namespace
} // namespace lxq::host
