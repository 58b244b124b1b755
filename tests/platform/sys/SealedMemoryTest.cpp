// Memory another process hands over (the codec ring, the sound card's rings) is mapped only when
// nobody can shrink it under the mapping any more: a memory file sealed against shrinking and
// growing, seals sealed, at least as long as the ring. Anything else is refused with the reason,
// and never mapped.

#include "platform/sys/DescriptorMapping.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace plat::sys {
namespace {

constexpr std::size_t kHandedRing = 8192;

// A memory file of `size` bytes with the given seals.
int HandedMemory(off_t size, int seals) {
    const int fd = memfd_create("ring", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, size), 0);
    if (seals != 0) {
        EXPECT_EQ(fcntl(fd, F_ADD_SEALS, seals), 0);
    }
    return fd;
}

TEST(SealedMemory, OnlyMemoryThatCannotShrinkAnyMoreIsMapped) {
    constexpr int kAll = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL;
    struct Case {
        const char* what;
        int (*make)();
        std::string reason;  // empty: mapped
    };
    const Case cases[] = {
        {"sealed at its size", [] { return HandedMemory(kHandedRing, kAll); }, ""},
        {"not sealed", [] { return HandedMemory(kHandedRing, 0); }, "not sealed against shrinking"},
        {"sealed against growing only", [] { return HandedMemory(kHandedRing, F_SEAL_GROW | F_SEAL_SEAL); },
         "not sealed against shrinking"},
        {"whose seals may still be taken off", [] { return HandedMemory(kHandedRing, F_SEAL_SHRINK | F_SEAL_GROW); },
         "not sealed against shrinking"},
        {"sealed, but shorter than the ring", [] { return HandedMemory(kHandedRing / 2, kAll); }, "holds 4096 bytes"},
        {"a file without seals", [] {
             FILE* file = std::tmpfile();
             const int fd = dup(fileno(file));
             std::fclose(file);
             EXPECT_EQ(ftruncate(fd, kHandedRing), 0);
             return fd;
         }, "not sealed against shrinking"},
        {"no memory at all", [] {
             int ends[2];
             EXPECT_EQ(pipe(ends), 0);
             close(ends[1]);
             return ends[0];
         }, "no memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = c.make();
        const int kept = dup(fd);  // the giver's own descriptor: it tries to shrink the memory
        std::string refusal = "unset";
        const auto mapping = DescriptorMapping::Map(fd, kHandedRing, &refusal);
        if (c.reason.empty()) {
            ASSERT_NE(mapping, nullptr) << refusal;
            EXPECT_EQ(refusal, "");
            EXPECT_NE(ftruncate(kept, 0), 0) << "nobody can shrink what is mapped";
            mapping->Base()[kHandedRing - 1] = 1;  // still there
        } else {
            EXPECT_EQ(mapping, nullptr);
            EXPECT_NE(refusal.find(c.reason), std::string::npos) << refusal;
        }
        close(kept);
    }
}

} // namespace
} // namespace plat::sys
