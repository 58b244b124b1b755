#include "crashreport/report/MemoryDump.h"
#include "crashreport/text/TmyStringList.h"

#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>

using namespace errvane;

namespace {

// Three pages; the middle one can be made unreadable.
class Pages : public testing::Test {
protected:
    void SetUp() override {
        base_ = static_cast<unsigned char*>(mmap(nullptr, 3 * 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(base_, MAP_FAILED);
        for (int i = 0; i < 3 * 4096; ++i) base_[i] = static_cast<unsigned char>(i);
    }
    void TearDown() override { munmap(base_, 3 * 4096); }
    std::uint64_t At(std::size_t offset) const { return reinterpret_cast<std::uintptr_t>(base_) + offset; }
    unsigned char* base_ = nullptr;
};

}  // namespace

TEST_F(Pages, RowsShowHexAndCharactersHighestFirst) {
    std::memcpy(base_ + 64, "ABCDEFGHIJKLMNOPQRSTUVWXYZ\x01\x7f\x80 xy", 32);
    TmyStringList list(8, 100);
    ReportMemoryDump(list, "RSI", At(64), 16, false);
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.Line(0), "");
    EXPECT_EQ(list.Line(1), "");
    EXPECT_EQ(list.Line(2), "Dumping RSI [" + TmyString::Hex(At(64)) + "-" + TmyString::Hex(At(80), 16) + "]:");
    EXPECT_EQ(list.Line(3), " Address             00       04       08       0c       10       14       18       1c    ");
    EXPECT_EQ(list.Line(4), TmyString::Hex(At(64), 16) +
                                ": 41424344-45464748 494a4b4c-4d4e4f50 51525354-55565758 595a017f-80207879  "
                                "ABCDEFGHIJKLMNOPQRSTUVWXYZ.\x7f' xy");
}

TEST_F(Pages, UnreadableMiddlePageGivesDashRows) {
    ASSERT_EQ(mprotect(base_ + 4096, 4096, PROT_NONE), 0);
    TmyStringList list(8, 1000);
    ReportMemoryDump(list, "RAX", At(4096 - 64), 4096 + 64, false);
    int dashes = 0, readable = 0;
    for (std::size_t i = 4; i < list.Count(); ++i) {
        if (list.Line(i).Find("-------- --------") >= 0) ++dashes;
        else ++readable;
    }
    EXPECT_EQ(dashes, 4096 / 32);
    EXPECT_EQ(readable, 3);  // two rows below the page, and the row holding the end
    // Highest row first.
    EXPECT_EQ(list.Line(4).Sub(0, 16), TmyString::Hex(At(2 * 4096), 16));
}

TEST_F(Pages, WhollyUnreadableGivesNothing) {
    ASSERT_EQ(mprotect(base_ + 4096, 4096, PROT_NONE), 0);
    TmyStringList list(8, 100);
    ReportMemoryDump(list, "RBX", At(4096 + 256), 512, false);
    EXPECT_EQ(list.Count(), 0u);
    ReportMemoryDump(list, "RCX", 0, 512, false);
    EXPECT_EQ(list.Count(), 0u);
}

TEST_F(Pages, FrameFormListsPossibleParameters) {
    const std::uint64_t words[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    std::memcpy(base_ + 4096 - 16, words, sizeof words);  // E + 16 .. E + 40 run into page 1
    ASSERT_EQ(mprotect(base_ + 4096, 4096, PROT_NONE), 0);
    TmyStringList list(8, 100);
    ReportMemoryDump(list, "local data:", At(4096 - 64), 32, true);  // E = page end - 32
    ASSERT_GE(list.Count(), 4u);
    // Only the words in the readable page appear.
    EXPECT_EQ(list.Line(1), "Possible parameters: 0000000000001111, 0000000000002222, ");
    EXPECT_EQ(list.Line(3), "Dumping local data: [RSP=" + TmyString::Hex(At(4096 - 64), 16) + ", RBP=" +
                                TmyString::Hex(At(4096 - 32), 16) + "]");
}
