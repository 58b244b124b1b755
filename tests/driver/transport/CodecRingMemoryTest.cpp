// The codec ring's memory as the host creates it and the process maps it, and the event the
// process passes in: the process's mapping outlives the host's, a descriptor claiming more memory
// than it has is refused, and only an eventfd is ever signalled.

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>

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
