#include "crashreport/base/TmyApplication.h"
#include "crashreport/report/AddressText.h"
#include "crashreport/report/ContextSection.h"
#include "crashreport/report/ExceptionRecords.h"
#include "crashreport/report/ModulesSection.h"
#include "crashreport/report/SystemSummary.h"
#include "crashreport/report/ThreadSnapshot.h"
#include "crashreport/report/ThreadsSection.h"
#include "crashreport/sys/MemoryMap.h"
#include "crashreport/text/TmyStringList.h"
#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace errvane;

namespace {

std::size_t FindLine(const TmyStringList& list, const char* prefix) {
    for (std::size_t i = 0; i < list.Count(); ++i)
        if (list.Line(i).Find(prefix) == 0) return i;
    return static_cast<std::size_t>(-1);
}

}  // namespace

TEST(AddressText, NamesModuleBaseOffsetAndExport) {
    MemoryMap::Refresh();
    const auto getpidAddress = reinterpret_cast<std::uintptr_t>(dlsym(RTLD_DEFAULT, "getpid"));
    ASSERT_NE(getpidAddress, 0u);
    std::uint64_t base = 0, offset = 0;
    const char* path = nullptr;
    ASSERT_NE(AddressToModule(getpidAddress, &base, &offset, &path), 0u);
    EXPECT_NE(std::string(path).find("libc.so"), std::string::npos);
    // getpid shares its address with an alias; the first in the symbol table is named.
    const std::string full = AddressText(getpidAddress).Text();
    const std::string prefix = std::string(TmyString(path).FileNamePart().Text()) + "\t0x" + TmyString::Hex(base).Text() +
                               "+0x" + TmyString::Hex(offset).Text() + "\t";
    EXPECT_EQ(full.rfind(prefix, 0), 0u) << full;
    EXPECT_EQ(full.substr(full.size() - 6), "getpid") << full;
    const std::string inside = AddressTextShort(getpidAddress + 2).Text();
    EXPECT_EQ(inside.find('\t'), std::string::npos);
    EXPECT_EQ(inside.substr(inside.size() - 10), "getpid+0x2") << inside;
    EXPECT_EQ(AddressText(0x10), "");
}

TEST(ContextSection, OnlyTheLowBitsSelectSections) {
    ProcessorContext context{};
    context.flags = kContextArchitecture;  // shared by every context: selects nothing
    TmyStringList list(8, 10000);
    ReportContext(list, context);
    EXPECT_EQ(list.Count(), 3u);
    for (std::size_t i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Line(i), "");
}

TEST(ContextSection, ControlRegistersAloneGiveTheFramesButNoDumps) {
    std::uint64_t stack[8] = {};
    ProcessorContext context{};
    context.flags = kContextArchitecture | kContextControl;
    context.rsp = reinterpret_cast<std::uintptr_t>(&stack[0]);
    context.rbp = reinterpret_cast<std::uintptr_t>(&stack[4]);
    context.rip = reinterpret_cast<std::uintptr_t>(dlsym(RTLD_DEFAULT, "getpid"));
    context.rsi = context.rsp;  // would be dumped with the integer registers
    MemoryMap::Refresh();
    TmyStringList list(8, 10000);
    ReportContext(list, context);
    ASSERT_GT(list.Count(), 8u);
    EXPECT_EQ(list.Line(0), "");
    EXPECT_EQ(list.Line(1), "");
    EXPECT_EQ(list.Line(2).Sub(0, 22), "RBP=0x" + TmyString::Hex(context.rbp, 16));
    EXPECT_EQ(list.Line(3), "");
    EXPECT_EQ(list.Line(4), TmyString::Repeat('=', 98));
    EXPECT_EQ(list.Line(5), "The last stack frame:");
    EXPECT_NE(FindLine(list, "The call stack:"), static_cast<std::size_t>(-1));
    EXPECT_EQ(FindLine(list, "RAX=0x"), static_cast<std::size_t>(-1));
    EXPECT_EQ(FindLine(list, "Dumping RSI"), static_cast<std::size_t>(-1));
    EXPECT_EQ(FindLine(list, "FPU:"), static_cast<std::size_t>(-1));
}

TEST(ContextSection, RdiIsDumpedOnlyFarFromRsi) {
    static unsigned char data[2048];
    for (const std::uint64_t distance : {512u, 513u}) {
        ProcessorContext context{};
        context.flags = kContextArchitecture | kContextInteger;
        context.rsi = reinterpret_cast<std::uintptr_t>(data);
        context.rdi = context.rsi + distance;
        TmyStringList list(8, 10000);
        ReportContext(list, context);
        EXPECT_NE(FindLine(list, "Dumping RSI"), static_cast<std::size_t>(-1));
        EXPECT_EQ(FindLine(list, "Dumping RDI") != static_cast<std::size_t>(-1), distance > 512) << distance;
        EXPECT_NE(FindLine(list, "R8=0x"), static_cast<std::size_t>(-1));
    }
}

TEST(ThreadsSection, MarksTheCallerAndShowsWhereOthersStopped) {
    auto snapshot = std::make_unique<ThreadSnapshot>();
    snapshot->callingThread = 0x10;
    snapshot->count = 3;
    snapshot->ids[0] = 0x0f;
    snapshot->ids[1] = 0x10;
    snapshot->ids[2] = 0x11;
    ProcessorContext stopped{};
    stopped.rip = reinterpret_cast<std::uintptr_t>(dlsym(RTLD_DEFAULT, "getpid"));
    snapshot->contexts[2] = &stopped;
    MemoryMap::Refresh();
    TmyStringList list(8, 100);
    ReportThreads(list, *snapshot);
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.Line(0), "");
    EXPECT_EQ(list.Line(1), "Threads: ");
    EXPECT_EQ(list.Line(2), "  f:    ");  // not stopped: its id only
    EXPECT_EQ(list.Line(3), " *10: ");
    EXPECT_EQ(list.Line(4).Sub(0, 9), "  11:    ");
    EXPECT_GE(list.Line(4).Find("getpid"), 0) << list.Line(4).Text();
}

TEST(ThreadsSection, RecognisesTheSystemLibraries) {
    struct Case {
        const char* text;
        bool system;
    };
    const Case cases[] = {{"libc.so.6 0x1+0x2 read", true}, {"ld-linux-x86-64.so.2 0x1+0x2", true},
                          {"LIBC.so.6 0x1", true},           {"libcrypto.so.3 0x1+0x2", false},
                          {"lxq745 0x1+0x2 main", false},    {"", false}};
    for (const Case& c : cases) EXPECT_EQ(IsSystemLibraryText(c.text), c.system) << c.text;
}

TEST(ModulesSection, ListsEachLoadedModuleOnceInAddressOrder) {
    MemoryMap::Refresh();
    TmyStringList list(8, 1000);
    ReportModules(list);
    ASSERT_GT(list.Count(), 3u);
    EXPECT_EQ(list.Line(0), "Modules:");
    EXPECT_EQ(list.Line(list.Count() - 1), "");
    int libc = 0;
    for (std::size_t i = 1; i + 1 < list.Count(); ++i) {
        const TmyString line = list.Line(i);
        EXPECT_EQ(line[0], '\t');
        EXPECT_EQ(line.Sub(17, 3), " - ");
        // Name, version and path columns: the version column starts at 56 unless the name runs on.
        const int versionTab = line.Find('\t', 38);
        EXPECT_TRUE(versionTab == 56 || (versionTab > 56 && line[static_cast<std::size_t>(versionTab) - 1] != ' '))
            << line.Text();
        EXPECT_GE(line.Find("\t["), 80) << line.Text();
        if (line.Find("/libc.so") > 0) ++libc;
        if (i > 1) {
            EXPECT_LT(list.Line(i - 1).Compare(line.Text()), 0);
        }
    }
    EXPECT_EQ(libc, 1);
}

TEST(SystemSummary, DescribesMachineAndProcess) {
    TmyStringList list(8, 1000);
    ReportSystemSummary(list);
    const char* expected[] = {"OS details:", "\tVersion: ", "Processor details:", "\tnumber of processors: ",
                              "\tpage size: ", "Disks:", "Memory:", "\ttotal: ", "Active code page ",
                              "Process summary", "\tRun time: "};
    std::size_t previous = 0;
    for (const char* prefix : expected) {
        const std::size_t at = FindLine(list, prefix);
        ASSERT_NE(at, static_cast<std::size_t>(-1)) << prefix;
        EXPECT_GE(at, previous) << prefix;
        previous = at;
    }
    EXPECT_EQ(list.Line(FindLine(list, "\tpage size: ")), "\tpage size: " + TmyString::Decimal(sysconf(_SC_PAGESIZE)));
}

TEST(TmyApplication, DoubleLOptionOpensTheTraceLogInItsFolder) {
    const std::string home = std::string(testing::TempDir()) + "errvane-app-" + std::to_string(getpid());
    mkdir(home.c_str(), 0755);
    const char* savedHome = std::getenv("HOME");
    const std::string keep = savedHome != nullptr ? savedHome : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DOCUMENTS_DIR");
    {
        TmyApplication application("prog /LL");
        EXPECT_EQ(application.TraceFlags(), 3u);
        EXPECT_TRUE(application.LogOpen());
        application.Trace(0, "hello %d", 7);
    }
    TmyObject::SetGlobalTraceFlags(0);
    const std::string log = std::string(TmyApplication::LogPath().Text());
    EXPECT_EQ(log.rfind(home + "/Documents/Talvenor/", 0), 0u) << log;
    FILE* file = std::fopen(log.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char text[512] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    EXPECT_NE(std::string(text, n).find("<Application:"), std::string::npos) << text;
    EXPECT_NE(std::string(text, n).find("hello 7\r\n"), std::string::npos) << text;
    setenv("HOME", keep.c_str(), 1);
    std::system(("rm -rf '" + home + "'").c_str());
}

TEST(TmyApplication, SingleLOptionTracesWithoutALog) {
    TmyApplication application("prog /l");
    EXPECT_EQ(application.TraceFlags(), 1u);
    EXPECT_FALSE(application.LogOpen());
    EXPECT_NE(application.Profiler(), nullptr);
    TmyObject::SetGlobalTraceFlags(0);
}
