// Runs the fixture program in a child process for each kind of fault and reads the report it
// leaves, as a person would: where it is, what it says about the fault, the call chain, the threads
// and the machine.
#include "crashreport/text/ReportTexts.h"
#include "tests/support/ChildProgram.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct ChildRun {
    int status = -1;
    std::string output;  // standard output and standard error, interleaved as written
};

class TempHome {
public:
    explicit TempHome(bool withReportFolder) {
        std::string pattern = std::string(testing::TempDir()) + "errvane-XXXXXX";
        path_ = mkdtemp(pattern.data());
        mkdir((path_ + "/Documents").c_str(), 0755);
        if (withReportFolder) mkdir(Folder().c_str(), 0755);
    }
    ~TempHome() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& Path() const { return path_; }
    std::string Folder() const { return path_ + "/Documents/Talvenor"; }
    std::string Report() const { return Folder() + "/crash_fixture_except.log"; }

private:
    std::string path_;
};

ChildRun RunFixture(const TempHome& home, const std::string& fault, int workers, const char* option = nullptr) {
    lxq_test::ChildSetup setup;
    setup.args = {CRASH_FIXTURE_PATH, fault, std::to_string(workers)};
    if (option != nullptr) setup.args.push_back(option);
    setup.environment = {"HOME=" + home.Path(), "XDG_DOCUMENTS_DIR", "DISPLAY"};
    // Under AddressSanitizer the fixture's faults are the crash-report library's to handle, or,
    // once it is unloaded, the system's: the sanitizer's own fault handler stands aside.
    const char* asan = std::getenv("ASAN_OPTIONS");
    setup.environment.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                                ":handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0");
    setup.errorsToOutput = true;
    lxq_test::ChildProgram child(std::move(setup));
    ChildRun run;
    run.output = lxq_test::ReadAll(child.Output());
    run.status = child.WaitStatus();
    return run;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines;
    const std::string all = text.str();
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = all.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(all.substr(at));
            break;
        }
        lines.push_back(all.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

std::size_t FindLine(const std::vector<std::string>& lines, const std::string& prefix, std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i)
        if (StartsWith(lines[i], prefix)) return i;
    return std::string::npos;
}

std::vector<std::string> Fields(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::stringstream stream(text);
    for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
    return fields;
}

// "ChainInner+0x4" -> "ChainInner"
std::string ExportName(const std::string& text) { return text.substr(0, text.find('+')); }

std::string MemoryTotalText() {
    std::ifstream in("/proc/meminfo");
    for (std::string key; in >> key;) {
        unsigned long long kb = 0;
        in >> kb;
        if (key == "MemTotal:") return errvane::SizeText(kb * 1024).Text();
    }
    return "?";
}

struct FaultCase {
    const char* fault;
    const char* exceptionLine;
    const char* params;                 // nullptr: no "Params:" line
    const char* module;                 // the module the fault address lies in
    const char* exportName;             // nullptr: any export
    const char* instructionBytes;       // bytes of the ">>" instruction; nullptr: not checked
    std::vector<std::string> chain;     // consecutive names in the call stack
    int extraThreads;                   // threads of the fixture besides the main thread and workers
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.fault; }

class FaultTable : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultTable, LeavesAReportThatTellsWhatHappened) {
    const FaultCase& c = GetParam();
    constexpr int kWorkers = 3;
    TempHome home(true);
    {
        std::ofstream old(home.Report());
        old << "an older report\r\n";
    }
    const ChildRun run = RunFixture(home, c.fault, kWorkers);
    ASSERT_TRUE(WIFEXITED(run.status)) << run.output;
    EXPECT_EQ(WEXITSTATUS(run.status), 0) << run.output;

    // The message names the report; no worker ran on once the threads were stopped.
    EXPECT_NE(run.output.find("The debug log has been written to\r\n\r\n" + home.Report()), std::string::npos);
    const std::size_t stopped = run.output.find("errVane has stopped threads!");
    ASSERT_NE(stopped, std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("tick", stopped), std::string::npos);

    const std::vector<std::string> lines = ReadLines(home.Report());
    ASSERT_GT(lines.size(), 20u) << "no report at " << home.Report();
    EXPECT_EQ(FindLine(lines, "an older report"), std::string::npos);

    // Sections in order.
    const char* headers[] = {"OS details:", "Processor details:", "Disks:", "Memory:", "Process summary",
                             "Modules:", c.exceptionLine, "Address: 0x", "The last stack frame:", "Disassembly:",
                             "The call stack:", "Threads: "};
    std::size_t at = 0;
    for (const char* header : headers) {
        const std::size_t found = FindLine(lines, header, at);
        ASSERT_NE(found, std::string::npos) << header << " after line " << at;
        at = found + 1;
    }

    // The fault address: inside the named module, with the export that holds it.
    const std::size_t addressLine = FindLine(lines, "Address: 0x");
    const std::string& address = lines[addressLine];
    const unsigned long long faultAddress = std::stoull(address.substr(11, 16), nullptr, 16);
    const std::vector<std::string> where = Fields(address.substr(28), '\t');
    ASSERT_GE(where.size(), 3u) << address;
    EXPECT_EQ(where[0], c.module);
    if (c.exportName != nullptr) {
        EXPECT_EQ(ExportName(where[2]), c.exportName) << address;
    }
    bool insideModule = false;
    for (std::size_t i = FindLine(lines, "Modules:") + 1; i < lines.size() && !lines[i].empty(); ++i) {
        const std::vector<std::string> module = Fields(lines[i], '\t');
        if (module.size() < 3 || module[2].find(c.module) != 0) continue;
        const unsigned long long base = std::stoull(module[1].substr(0, 16), nullptr, 16);
        const unsigned long long end = std::stoull(module[1].substr(19, 16), nullptr, 16);
        insideModule = insideModule || (faultAddress >= base && faultAddress < end);
    }
    EXPECT_TRUE(insideModule) << address;
    if (c.params != nullptr) {
        EXPECT_EQ(lines[addressLine + 1], c.params);
    }

    // Exactly one marked instruction in the innermost listing: the faulting one.
    const std::size_t listing = FindLine(lines, "Disassembly:");
    const std::size_t listingEnd = FindLine(lines, "=====", listing);
    std::vector<std::string> marked;
    for (std::size_t i = listing; i < listingEnd; ++i)
        if (lines[i].size() > 18 && lines[i].compare(16, 2, ">>") == 0) marked.push_back(lines[i]);
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(std::stoull(marked[0].substr(0, 16), nullptr, 16), faultAddress);
    if (c.instructionBytes != nullptr) {
        EXPECT_EQ(marked[0].substr(18, std::string(c.instructionBytes).size()), c.instructionBytes);
    }

    // The call chain names the callers in order.
    std::vector<std::string> names;
    for (std::size_t i = FindLine(lines, "The call stack:"); i < lines.size() && !StartsWith(lines[i], "Threads: "); ++i) {
        if (!StartsWith(lines[i], "[")) continue;
        const std::vector<std::string> words = Fields(lines[i], ' ');
        names.push_back(words.size() >= 6 ? ExportName(words[5]) : "");
    }
    bool chainFound = false;
    for (std::size_t i = 0; i + c.chain.size() <= names.size() && !chainFound; ++i)
        chainFound = std::equal(c.chain.begin(), c.chain.end(), names.begin() + static_cast<long>(i));
    EXPECT_TRUE(chainFound) << "call stack: " << testing::PrintToString(names);

    // One line per thread, the faulting one marked; the workers stopped in their loop.
    int threadLines = 0, marks = 0, workersSeen = 0;
    for (std::size_t i = FindLine(lines, "Threads: ") + 1; i < lines.size() && !lines[i].empty(); ++i) {
        ++threadLines;
        if (StartsWith(lines[i], " *")) ++marks;
        if (lines[i].find("FixtureWorker") != std::string::npos) ++workersSeen;
    }
    EXPECT_EQ(threadLines, 1 + kWorkers + c.extraThreads);
    EXPECT_EQ(marks, 1);
    EXPECT_EQ(workersSeen, kWorkers);

    // The machine as the test sees it.
    EXPECT_NE(FindLine(lines, "\tpage size: " + std::to_string(sysconf(_SC_PAGESIZE))), std::string::npos);
    EXPECT_NE(FindLine(lines, "\tnumber of processors: " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN))), std::string::npos);
    EXPECT_NE(FindLine(lines, "\ttotal: " + MemoryTotalText()), std::string::npos);
}

const std::vector<std::string> kChain = {"ChainInner", "ChainMiddle", "ChainOuter"};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTable,
    testing::Values(
        FaultCase{"write-null", "EXCEPTION_ACCESS_VIOLATION Continuable", "Params: 0x1 0x0", "crash_fixture",
                  "FaultWriteNull", "c70001000000", kChain, 0},
        FaultCase{"read-near-null", "EXCEPTION_ACCESS_VIOLATION Continuable", "Params: 0x0 0x10", "crash_fixture",
                  "FaultReadNearNull", "8b042510000000", kChain, 0},
        FaultCase{"divide-by-zero", "EXCEPTION_INT_DIVIDE_BY_ZERO Continuable", nullptr, "crash_fixture",
                  "FaultDivideByZero", "f7f1", kChain, 0},
        FaultCase{"undefined-instruction", "EXCEPTION_ILLEGAL_INSTRUCTION Continuable", nullptr, "crash_fixture",
                  "FaultUndefinedInstruction", "0f0b", kChain, 0},
        FaultCase{"breakpoint", "EXCEPTION_BREAKPOINT Continuable", nullptr, "crash_fixture", "FaultBreakpoint", "cc",
                  kChain, 0},
        FaultCase{"stack-overflow", "EXCEPTION_STACK_OVERFLOW Continuable", nullptr, "crash_fixture", "FaultRecurse",
                  nullptr, {"FaultRecurse", "FaultRecurse", "FaultRecurse"}, 1},
        FaultCase{"uncaught-exception", "1073741845 Non continuable", nullptr, "libc.so.6", nullptr,
                  nullptr, kChain, 0}),
    [](const testing::TestParamInfo<FaultCase>& info) {
        std::string name = info.param.fault;
        for (char& ch : name)
            if (ch == '-') ch = '_';
        return name;
    });

TEST(FaultReport, WithoutTheFolderNoReportIsWrittenButTheMessageNamesIt) {
    TempHome home(false);
    const ChildRun run = RunFixture(home, "write-null", 0);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_NE(run.output.find(home.Report()), std::string::npos) << run.output;
    struct stat info{};
    EXPECT_NE(stat(home.Folder().c_str(), &info), 0) << "the report folder must not be created";
}

TEST(FaultReport, WithoutAContextTheReportHasNoRegistersOrStack) {
    TempHome home(true);
    const ChildRun run = RunFixture(home, "create-report-without-context", 1);
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    const std::vector<std::string> lines = ReadLines(home.Report());
    const std::size_t code = FindLine(lines, "EXCEPTION_BREAKPOINT Continuable");
    ASSERT_NE(code, std::string::npos);
    EXPECT_TRUE(StartsWith(lines[code + 1], "Address: 0x")) << lines[code + 1];
    EXPECT_NE(lines[code + 1].find("\tmain"), std::string::npos) << lines[code + 1];
    EXPECT_EQ(FindLine(lines, "RAX=0x"), std::string::npos);
    EXPECT_EQ(FindLine(lines, "The last stack frame:"), std::string::npos);
    const std::size_t threads = FindLine(lines, "Threads: ");
    ASSERT_NE(threads, std::string::npos);
    EXPECT_EQ(lines.size() - threads - 1, 2u);  // main and one worker
}

TEST(FaultReport, AfterUnloadFaultsGoToTheSystemAgain) {
    TempHome home(true);
    const ChildRun run = RunFixture(home, "unloaded-write-null", 0);
    ASSERT_TRUE(WIFSIGNALED(run.status)) << run.output;
    EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
    struct stat info{};
    EXPECT_NE(stat(home.Report().c_str(), &info), 0);
}

// With the program's debug output sent to a file, the traces and the profiler's report at exit go
// there and not to the terminal.
TEST(TraceOptions, TracesFollowTheProgramsDebugOutputFile) {
    TempHome home(false);
    const std::string file = home.Path() + "/debug.txt";
    setenv("LXQ745_DEBUG_OUTPUT", file.c_str(), 1);
    const ChildRun run = RunFixture(home, "thread-end", 0, "/L");
    unsetenv("LXQ745_DEBUG_OUTPUT");
    ASSERT_TRUE(WIFEXITED(run.status)) << run.output;
    EXPECT_EQ(run.output.find("Profiler report"), std::string::npos) << run.output;
    std::ifstream in(file);
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(written.find("Profiler report [running "), std::string::npos) << written;
}

TEST(TraceOptions, ThreadEndsAndShutDownAreTracedAndLogged) {
    TempHome home(false);
    const ChildRun run = RunFixture(home, "thread-end", 0, "/L");
    ASSERT_TRUE(WIFEXITED(run.status)) << run.output;
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    const std::size_t ended = run.output.find("Thread: ");
    ASSERT_NE(ended, std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" ended, run time: 00:00:00, CPU:", ended), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("%\r\n", ended), std::string::npos);
    EXPECT_NE(run.output.find("Type IDs count: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Max. thunk index: 0 / 5041\r\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Profiler report [running "), std::string::npos) << run.output;
    struct stat info{};
    EXPECT_NE(stat(home.Folder().c_str(), &info), 0) << "without /ll no log folder is made";

    const ChildRun logged = RunFixture(home, "thread-end", 0, "/ll");
    EXPECT_EQ(logged.output.find("Thread: "), std::string::npos) << "/ll alone does not trace thread ends";
    EXPECT_NE(logged.output.find("Allocated remains: "), std::string::npos) << logged.output;
    const std::vector<std::string> log = ReadLines(home.Folder() + "/crash_fixture.log");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("<  Profiler:"), std::string::npos) << log[0];
}

}  // namespace
