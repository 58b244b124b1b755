// The calibration file format and the exported library as the receiver component loads it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "dbmtable/CalFile.h"
#include "dbmtable/DbmTable.h"
#include "platform/sys/Module.h"
#include "tests/platform/sys/TempFolder.h"

namespace {

constexpr const char* kFile = R"(# two tables for one model
[LX-Q745]
table -1
1000000     0:-130 255:-30     # 1 MHz
3000000     0:-120 128:-70 255:-20
table 3
50000000    0:-110 255:-10
[Other]
table -1
1           0:0
)";

TEST(CalFile, InterpolatesLevelsAndFrequenciesAndHoldsTheEdges) {
    std::string error;
    auto file = dbm::CalFile::Parse(kFile, &error);
    ASSERT_TRUE(file) << error;
    const dbm::CalTable* narrow = file->Find("lx-q745", -1);
    ASSERT_NE(narrow, nullptr);
    struct Case {
        std::int64_t hz;
        int raw;
        double dbm;
    };
    for (const Case& c : {Case{1'000'000, 0, -130}, Case{1'000'000, 255, -30},
                          Case{1'000'000, 51, -110}, Case{3'000'000, 128, -70},
                          Case{2'000'000, 0, -125}, Case{500, 255, -30},
                          Case{9'000'000'000, 255, -20}}) {
        SCOPED_TRACE(c.hz);
        EXPECT_NEAR(dbm::CalFile::Level(*narrow, c.hz, c.raw), c.dbm, 1e-9);
    }
    EXPECT_NE(file->Find("LX-Q745", 3), nullptr);
    EXPECT_EQ(file->Find("LX-Q745", 7), nullptr);
    EXPECT_EQ(file->Find("LX-Q74", -1), nullptr);
}

TEST(CalFile, RefusesAFileWithAnyBadLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    for (const Case& c : {Case{"1000 0:1\n", "line 1: row outside a table"},
                          Case{"table -1\n", "line 1: table outside a section"},
                          Case{"[A]\ntable x\n", "line 2: bad table selector"},
                          Case{"[A]\ntable 1\n5 0:1\n4 0:1\n", "line 4: frequencies must rise"},
                          Case{"[A]\ntable 1\n5 9:1 3:1\n", "line 3: raw levels must rise"},
                          Case{"[A]\ntable 1\n5 300:1\n", "line 3: bad raw:dBm point"},
                          Case{"[A]\ntable 1\n5\n", "line 3: row without points"},
                          Case{"[A]\ntable 1\n5 0:nan\n", "line 3: dBm value is not a finite number"},
                          Case{"[A]\ntable 1\n5 0:-10 9:inf\n", "line 3: dBm value is not a finite number"},
                          Case{"[A]\ntable 1\n5 0:-INFINITY\n", "line 3: dBm value is not a finite number"},
                          Case{"[A]\ntable 1\n5 0:1e999\n", "line 3: bad raw:dBm point"},
                          Case{"[A]\ntable 1\n", "line 2: empty table"}}) {
        std::string error;
        EXPECT_FALSE(dbm::CalFile::Parse(c.text, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(DbmTableLibrary, LoadsLooksUpListsAndUnloadsByHandle) {
    plat::sys::testing::TempFolder dir;
    std::ofstream(dir.File("lxq745.cal")) << kFile;
    std::ofstream(dir.File("bad.cal")) << "[A]\nnonsense\n";
    auto lib = plat::sys::Module::Load("dbmtable.dll");
    ASSERT_TRUE(lib);
    auto load = reinterpret_cast<decltype(&LoadCALFile)>(lib->Symbol("LoadCALFile"));
    auto getCs = reinterpret_cast<decltype(&GetCS)>(lib->Symbol("GetCS"));
    auto unload = reinterpret_cast<decltype(&Unload)>(lib->Symbol("Unload"));
    auto frequencies = reinterpret_cast<decltype(&GetFrequencies)>(lib->Symbol("GetFrequencies"));
    ASSERT_TRUE(load && getCs && unload && frequencies);

    EXPECT_EQ(load(dir.File("missing.cal").c_str()), DBM_ERROR_NO_FILE);
    EXPECT_EQ(load(dir.File("bad.cal").c_str()), DBM_ERROR_SYNTAX);
    const int32_t h = load(dir.File("lxq745.cal").c_str());
    ASSERT_GE(h, 0);
    DBM_LEVEL_REQUEST request{};
    request.size = sizeof request;
    request.raw = 255;
    EXPECT_EQ(getCs(h, "LX-Q745", 3, 50'000'000, &request), DBM_ANSWERED);
    EXPECT_DOUBLE_EQ(request.dbm, -10.0);
    EXPECT_EQ(getCs(h, "LX-Q745", 5, 50'000'000, &request), 0);
    request.size = 32;
    EXPECT_EQ(getCs(h, "LX-Q745", 3, 50'000'000, &request), 0) << "a request of another size";

    int64_t list[3] = {};
    EXPECT_EQ(frequencies(h, "LX-Q745", -1, list, sizeof list), 16);
    EXPECT_EQ(list[1], 3'000'000);
    EXPECT_EQ(frequencies(h, "LX-Q745", -1, list, 8), 8) << "only what fits";
    unload(h);
    EXPECT_EQ(frequencies(h, "LX-Q745", -1, list, sizeof list), 0);
    unload(h); // twice is harmless
    unload(-8);
}

// What is no calibration file is refused as missing, at once: a named pipe that nobody writes
// (read, it would hold the program for good), a link to an endless device, a file far longer than
// any calibration.
TEST(DbmTableLibrary, WhatIsNoCalibrationFileIsRefusedWithoutWaitingOrFillingMemory) {
    plat::sys::testing::TempFolder dir;
    auto lib = plat::sys::Module::Load("dbmtable.dll");
    ASSERT_TRUE(lib);
    auto load = reinterpret_cast<decltype(&LoadCALFile)>(lib->Symbol("LoadCALFile"));
    ASSERT_TRUE(load);
    ASSERT_EQ(mkfifo(dir.File("pipe.cal").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.File("zero.cal"));
    {
        std::ofstream out(dir.File("huge.cal"));
        out << kFile;
        const std::string comment = "# " + std::string(1000, '-') + "\n";
        for (int k = 0; k < 5000; ++k) out << comment;
    }
    for (const char* name : {"pipe.cal", "zero.cal", "huge.cal"})
        EXPECT_EQ(load(dir.File(name).c_str()), DBM_ERROR_NO_FILE) << name;
}

TEST(DbmTableLibrary, TheLastFrequencyListedIsTheTablesUpperLimitWhateverTheBuffer) {
    // A table of 1,500 rows, more than the 1,000 that the receiver's 8,000-byte buffer holds.
    plat::sys::testing::TempFolder dir;
    {
        std::ofstream out(dir.File("long.cal"));
        out << "[LX-Q786]\ntable -1\n";
        for (int k = 1; k <= 1500; ++k) out << k * 100'000 << " 0:-130 255:-30\n";
    }
    auto lib = plat::sys::Module::Load("dbmtable.dll");
    ASSERT_TRUE(lib);
    auto load = reinterpret_cast<decltype(&LoadCALFile)>(lib->Symbol("LoadCALFile"));
    auto unload = reinterpret_cast<decltype(&Unload)>(lib->Symbol("Unload"));
    auto frequencies = reinterpret_cast<decltype(&GetFrequencies)>(lib->Symbol("GetFrequencies"));
    const int32_t h = load(dir.File("long.cal").c_str());
    ASSERT_GE(h, 0);
    struct Case {
        int32_t bytes;
        int32_t written;
    };
    for (const Case c : {Case{8000, 8000}, Case{12000, 12000}, Case{16000, 12000}, Case{8, 8}, Case{20, 16}}) {
        std::vector<int64_t> list(static_cast<std::size_t>(c.bytes) / 8 + 1, -1);
        const int32_t n = frequencies(h, "LX-Q786", -1, list.data(), c.bytes);
        ASSERT_EQ(n, c.written) << c.bytes;
        const std::size_t count = static_cast<std::size_t>(n / 8);
        EXPECT_EQ(list[count - 1], 150'000'000) << c.bytes << ": the receiver's upper limit";
        EXPECT_EQ(list[count], -1) << c.bytes << ": nothing beyond the buffer";
        if (count > 1) {
            EXPECT_EQ(list[0], 100'000);
            EXPECT_EQ(list[count - 2], static_cast<int64_t>(count - 1) * 100'000) << "the rows before it as they are";
        }
    }
    unload(h);
}

} // namespace
