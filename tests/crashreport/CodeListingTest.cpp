#include "crashreport/report/CodeListing.h"
#include "crashreport/report/FrameChain.h"
#include "crashreport/report/ThreadSnapshot.h"
#include "crashreport/base/TmyList.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/text/TmyStringList.h"

#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstring>
#include <string>

using namespace errvane;

namespace {

// A page of code bytes (never run, only read) and a page of data, mapped where the module query
// finds them.
class CodePage : public testing::Test {
protected:
    void SetUp() override {
        // The two pages stand between inaccessible ones: an anonymous mapping next to another
        // with the same access would be merged with it into one region of another start.
        void* region = mmap(nullptr, 4 * 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(region, MAP_FAILED);
        region_ = static_cast<unsigned char*>(region);
        page_ = region_ + 4096;
        ASSERT_EQ(mprotect(page_, 8192, PROT_READ | PROT_WRITE), 0);
        std::memset(page_, 0x90, 4096);  // nop
        MemoryMap::Refresh();
    }
    void TearDown() override {
        if (region_ != nullptr) munmap(region_, 4 * 4096);
        MemoryMap::Refresh();
    }
    std::uint64_t At(std::size_t offset) const { return reinterpret_cast<std::uintptr_t>(page_) + offset; }
    void Put(std::size_t offset, std::initializer_list<unsigned char> bytes) {
        for (unsigned char b : bytes) page_[offset++] = b;
    }
    std::string Listing(std::uint64_t address, std::uint64_t framePointer, std::uint64_t before, std::uint64_t after) {
        TmyStringList list(8, 1000);
        ReportDisassembly(list, address, framePointer, before, after);
        std::string text;
        for (std::size_t i = 0; i < list.Count(); ++i) text += std::string(list.Line(i).Text()) + "\n";
        return text;
    }
    unsigned char* region_ = nullptr;
    unsigned char* page_ = nullptr;
};

}  // namespace

TEST_F(CodePage, MarksTheInstructionAndAnnotatesFrameAndRipOperands) {
    // mov rax, [rbp-8] (one-byte displacement 0xf8); mov eax, [rip+0x100]; ret
    Put(0x200, {0x48, 0x8b, 0x45, 0xf8, 0x8b, 0x05, 0x00, 0x01, 0x00, 0x00, 0xc3});
    const std::uint64_t value = 0x1122334455667788ull;
    std::memcpy(page_ + 4096 + 64 - 8, &value, sizeof value);
    const std::uint32_t ripValue = 0xCAFE;
    std::memcpy(page_ + 0x20a + 0x100, &ripValue, sizeof ripValue);
    const std::string text = Listing(At(0x200), At(4096 + 64), 8, 10);
    // The kernel may merge the page with neighbouring anonymous memory: the region size varies.
    EXPECT_EQ(text.find("Disasm module "), 0u) << text;
    EXPECT_NE(text.find(", offset 00000200/"), std::string::npos) << text;
    EXPECT_EQ(text.find(std::string(TmyString::Hex(At(0x1f8 - 1), 16).Text())), std::string::npos) << "starts 8 bytes before";
    EXPECT_NE(text.find(std::string(TmyString::Hex(At(0x200), 16).Text()) + ">>488b45f8        mov rax, [rbp-0x08]\t\t(@" +
                        TmyString::Hex(At(4096 + 56), 16).Text() + "=0x1122334455667788)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("(@" + std::string(TmyString::Hex(At(0x30a), 16).Text()) + "=0x0000cafe)"), std::string::npos) << text;
    EXPECT_NE(text.find("  c3  "), std::string::npos) << text;
    int marks = 0;
    for (std::size_t at = text.find(">>"); at != std::string::npos; at = text.find(">>", at + 2)) ++marks;
    EXPECT_EQ(marks, 1);
}

TEST_F(CodePage, BranchTargetsNameWhereTheyLead) {
    // call rel32 to offset 0x400; jmp [rip+0] whose stored target is offset 0x500
    Put(0x300, {0xe8, 0xfb, 0x00, 0x00, 0x00});
    Put(0x305, {0xff, 0x25, 0x00, 0x00, 0x00, 0x00});
    const std::uint64_t target = At(0x500);
    std::memcpy(page_ + 0x30b, &target, sizeof target);
    const std::string text = Listing(At(0x300), 0, 0, 6);
    // The kernel may merge the page with anonymous memory just below it: the module's base is
    // where that mapping starts.
    ModuleSpan module{};
    ASSERT_TRUE(MemoryMap::Current().ModuleOf(At(0), &module));
    auto named = [&](std::uint64_t offset) {
        // Anonymous memory has no file name: the short text starts with the blank before the base.
        return " 0x" + std::string(TmyString::Hex(module.base).Text()) + "+0x" +
               TmyString::Hex(At(offset) - module.base).Text();
    };
    EXPECT_NE(text.find("\t= " + named(0x400) + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\t= " + std::string(TmyString::Hex(target, 16).Text()) + ": " + named(0x500)), std::string::npos)
        << text;
}

TEST(CodeListing, NearAddressZeroListsWhatIsThereWithoutWrapping) {
    MemoryMap::Refresh();
    TmyStringList list(8, 100);
    ReportDisassembly(list, 0x10, 0, 80, 20);
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.Line(0), "error address 0000000000000010, err=14");
    EXPECT_EQ(list.Line(1), "Disasm module 0000000000000000, offset 00000010/7fffffff");
    EXPECT_EQ(list.Line(2), "");
    EXPECT_EQ(list.Line(3), TmyString::Repeat('.', 0x10 + 20 + 1));
}

TEST_F(CodePage, FindsTheCallBeforeAReturnAddress) {
    struct Case {
        std::size_t offset;
        std::initializer_list<unsigned char> bytes;
        bool isCall;
    };
    const Case cases[] = {
        {0x100, {0xe8, 0x00, 0x00, 0x00, 0x00}, true},              // call rel32
        {0x200, {0xff, 0xd0}, true},                                // call rax
        {0x300, {0xff, 0x15, 0x10, 0x00, 0x00, 0x00}, true},        // call [rip+0x10]
        {0x400, {0x41, 0xff, 0x54, 0x24, 0x08}, true},              // call [r12+8]
        {0x500, {0x48, 0x89, 0xc7}, false},                         // mov rdi, rax
    };
    for (const Case& c : cases) {
        Put(c.offset, c.bytes);
        const std::uint64_t returnAddress = At(c.offset + c.bytes.size());
        EXPECT_EQ(FindCallSite(returnAddress), c.isCall ? At(c.offset) : 0u) << std::hex << c.offset;
    }
    EXPECT_EQ(FindCallSite(0x20), 0u);
}

TEST_F(CodePage, FrameChainStopsWhereItStopsRising) {
    // Frames in the data page: each holds the next frame pointer and a return address.
    auto frame = [&](std::size_t offset, std::uint64_t next, std::uint64_t returnAddress) {
        std::memcpy(page_ + 4096 + offset, &next, 8);
        std::memcpy(page_ + 4096 + offset + 8, &returnAddress, 8);
    };
    frame(0x10, At(4096 + 0x40), At(0x11));
    frame(0x40, At(4096 + 0x80), At(0x22));
    frame(0x80, At(4096 + 0x20), At(0x33));  // points back down: the walk ends after this frame
    TmyDwordList frames(4, 0), returns(4, 0);
    WalkFrameChain(At(4096 + 0x10), &frames, &returns);
    ASSERT_EQ(frames.Count(), 3u);
    EXPECT_EQ(returns.At(2), At(0x33));
    WalkFrameChain(At(4096 + 0x11), &frames, &returns);  // misaligned
    EXPECT_EQ(frames.Count(), 0u);
    frame(0x40, At(4096 + 0x80), 0x20);  // a return address outside every mapping ends the walk
    WalkFrameChain(At(4096 + 0x10), &frames, nullptr);
    EXPECT_EQ(frames.Count(), 1u);
}

TEST_F(CodePage, CallStackBlockNamesTheCallSiteAndLimitsLocalData) {
    Put(0x100, {0xe8, 0x00, 0x00, 0x00, 0x00});
    const std::uint64_t far = At(4096 + 0xF00) + 4096;  // more than 2048 bytes above the frame
    std::memcpy(page_ + 4096, &far, 8);
    const std::uint64_t returnAddress = At(0x105);
    std::memcpy(page_ + 4096 + 8, &returnAddress, 8);
    TmyStringList list(8, 1000);
    ReportStackFrame(list, At(4096), 1);
    EXPECT_EQ(list.Line(0), "[1] " + TmyString::Hex(At(0x100), 16) + " =  0x" + TmyString::Hex(At(0)) + "+0x100");
    EXPECT_EQ(list.Line(4), "Dumping local data: [RSP=" + TmyString::Hex(At(4096), 16) + ", RBP=" +
                                TmyString::Hex(At(4096 + 2048), 16) + "]");
    bool lastCode = false, ruler = false;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        lastCode = lastCode || list.Line(i) == "Last code:";
        ruler = ruler || list.Line(i) == TmyString::Repeat('-', 80).Text();
    }
    EXPECT_TRUE(lastCode);
    EXPECT_TRUE(ruler);
}

TEST_F(CodePage, ARunawayChainLeavesRoomForTheThreads) {
    Put(0x100, {0xe8, 0x00, 0x00, 0x00, 0x00});
    const std::uint64_t returnAddress = At(0x105);
    constexpr std::size_t kFrames = 200;
    for (std::size_t i = 0; i < kFrames; ++i) {
        const std::uint64_t next = At(4096 + (i + 1) * 16);
        std::memcpy(page_ + 4096 + i * 16, &next, 8);
        std::memcpy(page_ + 4096 + i * 16 + 8, &returnAddress, 8);
    }
    constexpr std::size_t kMaximum = 8192 + 300;
    TmyStringList list(64, kMaximum);
    ReportCallStack(list, At(4096));
    ASSERT_LT(list.Count(), kMaximum);
    EXPECT_GT(list.Room(), ThreadSnapshot::kCapacity + 2);  // every thread line still fits
    const TmyString last = list.Line(list.Count() - 1);
    EXPECT_GE(last.Find(" further frames left out"), 1) << last.Text();
}
