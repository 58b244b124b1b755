#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/forms/MemoryCsv.h"
#include "app/forms/SquelchCodes.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using Fields = std::vector<std::string>;

TEST(CsvFieldsTest, JoiningQuotesEveryField) {
    const std::pair<Fields, std::string> cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"a", "b c", "x,y"}, "\"a\",\"b c\",\"x,y\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
    };
    for (const auto& [fields, line] : cases) EXPECT_EQ(JoinCSVFields(fields), line);
}

TEST(CsvFieldsTest, SplittingEndsWithOneEmptyFieldBeyondTheLast) {
    const std::pair<std::string, Fields> cases[] = {
        {"", {}},
        {"a", {"a", ""}},
        {"a,b", {"a", "b", ""}},
        {"a,", {"a", ""}},
        {"a,,b", {"a", "", "b", ""}},
        {"  a, b", {"a", " b", ""}},
        {"\"x,y\",\"say \"\"hi\"\"\"", {"x,y", "say \"hi\"", ""}},
        {"\"a b\"  ,c", {"a b", "  ", "c", ""}},
        {"ab\xE9" "cd,e", {"ab", "cd", "e", ""}},
        {"\"caf\xE9\",x", {"caf\xE9", "x", ""}},
        {"\"open", {"open", ""}},
    };
    Fields fields{"stale"};
    for (const auto& [line, expected] : cases) {
        SplitCSVLine(fields, line);
        EXPECT_EQ(fields, expected) << line;
    }
    SplitCSVLine(fields, JoinCSVFields({"1", "", "x\"y"}));
    EXPECT_EQ(fields, (Fields{"1", "", "x\"y", ""})) << "what joining writes splits back";
}

TEST(GroupListTest, FormatsAndParses) {
    const std::pair<std::uint32_t, std::string> formats[] = {
        {0, ""}, {0x8001, "1+16"}, {0xA001, "1+3+16"}, {0x10000, ""}};
    for (const auto& [mask, text] : formats) EXPECT_EQ(FormatGroupList(mask), text) << mask;

    const std::pair<std::string, std::optional<std::uint32_t>> parses[] = {
        {"", 0u},       {"  ", 0u},         {"1+16", 0x8001u}, {" 3 + 1 ", 0xA000u},
        {"0", std::nullopt}, {"17", std::nullopt}, {"x", std::nullopt}, {"1+17", std::nullopt},
        {"-1", std::nullopt}, {"99999999999", std::nullopt}, {"2+", 0x4000u},
    };
    for (const auto& [text, mask] : parses) EXPECT_EQ(ParseGroupList(text), mask) << text;
}

TEST(SquelchCodesTest, DcsValuesAreTheOctalLabels) {
    const char* labels[] = {"006", "023", "754", "411", "174"};
    for (const char* label : labels) EXPECT_TRUE(IsDcsCode(static_cast<std::int32_t>(std::stol(label, nullptr, 8)))) << label;
    EXPECT_EQ(DcsCodeTable.front(), 6);
    EXPECT_EQ(DcsCodeTable.back(), 0754);
    EXPECT_TRUE(std::is_sorted(DcsCodeTable.begin(), DcsCodeTable.end()));
    EXPECT_TRUE(std::is_sorted(CtcssToneTable.begin(), CtcssToneTable.end()));
    EXPECT_TRUE(IsCtcssTone(88500));
    EXPECT_FALSE(IsCtcssTone(88400));
}

// A full line of 19 columns with one column replaced.
Fields Line(std::size_t column = 99, const std::string& value = "") {
    Fields f = {"7", "145500000", "12500", "-200", "", "", "", "", "", "1+16", "5", "1", "3",
                "-90", "ctcss", "88.5", "FMN", "DB0XYZ", "Relay north", ""};
    if (column < f.size()) f[column] = value;
    return f;
}

TEST(MemoryCsvTest, ALineBecomesAChannel) {
    const MemoryList none;
    const auto r = ParseMemoryCsvFields(Line(), none);
    ASSERT_TRUE(r.record) << r.badField;
    const TMemoryRecord& m = *r.record;
    EXPECT_EQ(lxq_test::ByValue(m.number), 7);
    EXPECT_EQ(lxq_test::ByValue(m.frequency), 145'500'000);
    EXPECT_EQ(lxq_test::ByValue(m.bandwidth), 12500u);
    EXPECT_EQ(lxq_test::ByValue(m.ifShift), -200);
    EXPECT_EQ(lxq_test::ByValue(m.groups), 0x8001u);
    EXPECT_EQ(lxq_test::ByValue(m.hotkey), 5);
    EXPECT_EQ(lxq_test::ByValue(m.flags), kMemLockout | 3u << kMemPriorityShift);
    EXPECT_EQ(lxq_test::ByValue(m.levelSquelch), -90);
    EXPECT_EQ(lxq_test::ByValue(m.squelchType), 4);
    EXPECT_EQ(lxq_test::ByValue(m.squelchValue), 88500);
    EXPECT_EQ(lxq_test::ByValue(m.mode), 2);
    EXPECT_STREQ(m.callsign, "DB0XYZ");
    EXPECT_STREQ(m.comments, "Relay north");
    const Fields full = Line();
    EXPECT_EQ(MemoryCsvLine(m), JoinCSVFields(Fields(full.begin(), full.end() - 1))) << "and back";
}

TEST(MemoryCsvTest, ColumnRulesOnImport) {
    struct Case {
        std::size_t column;
        std::string value;
        std::string badField; // empty: accepted
        std::function<bool(const TMemoryRecord&)> check;
    };
    const MemoryList none;
    const std::vector<Case> cases = {
        {0, "x", "", [](const TMemoryRecord& r) { return r.number == 1; }},
        {0, "0", "", [](const TMemoryRecord& r) { return r.number == 1; }},
        {1, "2147483648", "frequency", nullptr},
        {1, "-5", "", [](const TMemoryRecord& r) { return r.frequency == -5; }},
        {1, "7.1", "frequency", nullptr},
        {1, "+-1000", "frequency", nullptr},
        {1, "+1000", "", [](const TMemoryRecord& r) { return r.frequency == 1000; }},
        // Files written before kept a negative frequency as its unsigned 64-bit value, and a
        // bandwidth from 2^31 up unsigned: both come back.
        {1, "18446744073709551611", "", [](const TMemoryRecord& r) { return r.frequency == -5; }},
        {1, "18446744071562067968", "", [](const TMemoryRecord& r) { return r.frequency == INT32_MIN; }},
        {1, "18446744071562067967", "frequency", nullptr},
        {1, "4294967295", "frequency", nullptr},
        {2, "", "bandwidth", nullptr},
        {2, "-1", "", [](const TMemoryRecord& r) { return r.bandwidth == 0xFFFF'FFFFu; }},
        {2, "4294967295", "", [](const TMemoryRecord& r) { return r.bandwidth == 0xFFFF'FFFFu; }},
        {2, "4294967296", "bandwidth", nullptr},
        {2, "+-1", "bandwidth", nullptr},
        {3, "x", "IF shift", nullptr},
        {4, "anything", "", [](const TMemoryRecord& r) { return r.number == 7; }},
        {9, "0", "group", nullptr},
        {9, "17", "group", nullptr},
        {9, "", "", [](const TMemoryRecord& r) { return r.groups == 0; }},
        {10, "13", "hotkey", nullptr},
        {10, "-1", "hotkey", nullptr},
        {10, "1", "", [](const TMemoryRecord& r) { return r.hotkey == 0; }},
        {10, "", "", [](const TMemoryRecord& r) { return r.hotkey == 0; }},
        {11, "", "", [](const TMemoryRecord& r) { return (r.flags & kMemLockout) == 0; }},
        {11, "x", "lockout", nullptr},
        {12, "6", "priority", nullptr},
        {12, "0", "", [](const TMemoryRecord& r) { return MemoryPriority(r) == 0; }},
        {13, "", "", [](const TMemoryRecord& r) { return r.levelSquelch == 0 && (r.flags & kMemKeepSquelch); }},
        {13, "none", "", [](const TMemoryRecord& r) { return r.levelSquelch == 0 && !(r.flags & kMemKeepSquelch); }},
        {13, "loud", "level squelch", nullptr},
        {14, "CTCSS", "", [](const TMemoryRecord& r) { return r.squelchType == 0 && r.squelchValue == 0; }},
        {15, "88.4", "secondary squelch", nullptr},
        {15, "254.1", "", [](const TMemoryRecord& r) { return r.squelchValue == 254100; }},
        {16, "usb", "mode", nullptr},
        {16, "USB", "", [](const TMemoryRecord& r) { return r.mode == 5 && !(r.flags & kMemKeepMode); }},
        {16, "", "", [](const TMemoryRecord& r) { return r.mode == 1 && (r.flags & kMemKeepMode); }},
        {17, "ABCDEFGHIJKLMNOP", "", [](const TMemoryRecord& r) { return std::string(r.callsign) == "ABCDEFGHIJK"; }},
        {18, std::string(40, 'c'), "", [](const TMemoryRecord& r) { return std::string(r.comments) == std::string(31, 'c'); }},
        // A character that does not fit whole is left out, never half stored.
        {17, "abcdefghij\xC3\xA9", "", [](const TMemoryRecord& r) { return std::string(r.callsign) == "abcdefghij"; }},
        {17, "abcdefghi\xC3\xA9", "", [](const TMemoryRecord& r) { return std::string(r.callsign) == "abcdefghi\xC3\xA9"; }},
        {18, std::string(29, 'c') + "\xE2\x82\xAC", "",
         [](const TMemoryRecord& r) { return std::string(r.comments) == std::string(29, 'c'); }},
    };
    for (const Case& c : cases) {
        const auto r = ParseMemoryCsvFields(Line(c.column, c.value), none);
        const std::string what = std::to_string(c.column) + "=" + c.value;
        if (!c.badField.empty()) {
            EXPECT_FALSE(r.record) << what;
            EXPECT_EQ(r.badField, c.badField) << what;
            continue;
        }
        ASSERT_TRUE(r.record) << what << ": " << r.badField;
        EXPECT_TRUE(c.check(*r.record)) << what;
    }
}

TEST(MemoryCsvTest, SecondSquelchValuesByType) {
    struct Case {
        const char* type;
        const char* value;
        std::optional<std::int32_t> stored;
    };
    const Case cases[] = {
        {"noise", "0", 0},    {"noise", "99", 99},  {"noise", "100", std::nullopt}, {"voice", "-1", std::nullopt},
        {"dcs", "19", 19},    {"dcs", "-19", -19},  {"dcs", "20", std::nullopt},    {"ctcss", "100", 100000},
        {"ctcss", "x", std::nullopt}, {"other", "junk", 0},
    };
    const MemoryList none;
    for (const Case& c : cases) {
        Fields f = Line(14, c.type);
        f[15] = c.value;
        const auto r = ParseMemoryCsvFields(f, none);
        ASSERT_EQ(r.record.has_value(), c.stored.has_value()) << c.type << " " << c.value;
        if (c.stored) EXPECT_EQ(r.record->squelchValue, *c.stored) << c.type << " " << c.value;
        else EXPECT_EQ(r.badField, "secondary squelch");
    }
}

TEST(MemoryCsvTest, ExportShowsEachColumnsForm) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = 12;
    r.frequency = 3'000'000'000;
    r.hotkey = 1;
    r.flags = kMemKeepSquelch | kMemKeepMode;
    r.squelchType = 512;
    r.squelchValue = 19;
    Fields f;
    SplitCSVLine(f, MemoryCsvLine(r));
    ASSERT_EQ(f.size(), 20u);
    EXPECT_EQ(f[1], "3000000000");
    EXPECT_EQ(f[10], "0") << "hotkey 1 is written as none";
    EXPECT_EQ(f[13], "") << "no level squelch";
    EXPECT_EQ(f[14], "dcs");
    EXPECT_EQ(f[15], "19");
    EXPECT_EQ(f[16], "") << "no mode";
    r.flags = 0;
    r.squelchType = 4;
    r.squelchValue = 88500;
    SplitCSVLine(f, MemoryCsvLine(r));
    EXPECT_EQ(f[13], "none");
    EXPECT_EQ(f[15], "88.5");
    EXPECT_EQ(f[16], "CW");
    EXPECT_EQ(MemoryCsvHeader(),
              "\"Number\",\"Frequency\",\"Bandwidth\",\"IF Shift\",\"reserved\",\"reserved\",\"reserved\","
              "\"reserved\",\"reserved\",\"Groups\",\"Hotkey\",\"Lockout\",\"Priority\",\"Level squelch value\","
              "\"Secondary squelch type\",\"Secondary squelch value\",\"Mode\",\"Callsign\",\"Comments\"");
}

class CsvFileTest : public ::testing::Test {
protected:
    void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::vector<std::string> Import() {
        std::vector<std::string> reports;
        EXPECT_TRUE(ImportMemoryCsv(path, list, [&reports](const std::string& t) { reports.push_back(t); }));
        return reports;
    }
    std::vector<std::int32_t> Numbers() const {
        std::vector<std::int32_t> n;
        for (const auto& r : list) n.push_back(r->number);
        return n;
    }
    plat::sys::testing::TempFolder dir;
    std::string path = dir.File("channels.csv");
    MemoryList list;
};

TEST_F(CsvFileTest, AFileNoListCanBeIsRefusedWithAReportAndNothingImported) {
    std::filesystem::create_symlink("/dev/zero", path); // read line by line it never ended
    const auto reports = Import();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], path + " is larger than a memory list can be and was not read.");
    EXPECT_TRUE(list.empty());
}

TEST_F(CsvFileTest, ExportedChannelsImportAsThemselves) {
    for (std::int32_t n : {4, 2, 9}) {
        auto r = std::make_unique<TMemoryRecord>(NewMemoryRecord());
        r->number = n;
        r->frequency = n * 1'000'000;
        r->groups = 0x8001;
        r->hotkey = n == 9 ? 1 : n;
        r->flags = (n == 2 ? kMemKeepSquelch | kMemLockout : 0) | 2u << kMemPriorityShift;
        r->levelSquelch = n == 4 ? -80 : 0;
        r->mode = 4;
        r->squelchType = n == 4 ? 4 : 512;
        r->squelchValue = n == 4 ? 151400 : -19;
        std::strcpy(r->callsign, "A,\"B\"");
        std::strcpy(r->comments, "c\xE9 d");
        list.push_back(std::move(r));
    }
    ASSERT_TRUE(ExportMemoryCsv(path, list));
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(text.str().substr(0, 9), "\"Number\",");
    EXPECT_NE(text.str().find("\r\n\"4\",\"4000000\""), std::string::npos) << "CR LF line ends";

    MemoryList before;
    for (const auto& r : list) before.push_back(std::make_unique<TMemoryRecord>(*r));
    before[2]->hotkey = 0; // a hotkey of 1 comes back as none
    EXPECT_TRUE(Import().empty());
    ASSERT_EQ(list.size(), 3u) << "the same numbers replace themselves";
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::memcmp(list[i].get(), before[i].get(), sizeof(TMemoryRecord)), 0) << i;
}

// Whatever the import can store, the export writes so that it comes back: a negative frequency
// and a bandwidth from 2^31 up (both from negative numbers of an earlier import) included.
TEST_F(CsvFileTest, NegativeFrequenciesAndBandwidthsComeBack) {
    const struct {
        std::int64_t frequency;
        std::uint32_t bandwidth;
    } cases[] = {{-5, 12'500}, {INT32_MIN, 0x8000'0000u}, {7'000'000, 0xFFFF'FFFFu}, {-1, 0xFFFF'FFFBu}};
    std::int32_t number = 1;
    for (const auto& c : cases) {
        auto r = std::make_unique<TMemoryRecord>(NewMemoryRecord());
        r->number = number++;
        r->frequency = c.frequency;
        r->bandwidth = c.bandwidth;
        list.push_back(std::move(r));
    }
    ASSERT_TRUE(ExportMemoryCsv(path, list));
    list.clear();
    EXPECT_TRUE(Import().empty());
    ASSERT_EQ(list.size(), std::size(cases)) << "no channel lost";
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(lxq_test::ByValue(list[i]->frequency), cases[i].frequency) << i;
        EXPECT_EQ(lxq_test::ByValue(list[i]->bandwidth), cases[i].bandwidth) << i;
    }
}

TEST_F(CsvFileTest, BadLinesAreReportedAndSkipped) {
    Write("whatever header\n"
          "\"1\",\"100\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"0\",\"none\",\"\",\"\",\"AM\",\"\",\"\"\n"
          "\"2\",\"x\"\r\n"
          "\"3\",\"300\",\"10000\",\"0\",\"\"\r\n"
          "\"4\",\"400\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"6\",\"none\",\"\",\"\",\"AM\",\"\",\"\"\n"
          "\"1\",\"111\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"0\",\"none\",\"\",\"\",\"AM\",\"\",\"\"\n"
          "\"x\",\"500\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"0\",\"none\",\"\",\"\",\"AM\",\"\",\"\"\n"
          "\n"
          "\"8\",\"800\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"0\",\"none\",\"\",\"\",\"AM\",\"\",\"\"\n");
    auto existing = std::make_unique<TMemoryRecord>(NewMemoryRecord());
    existing->number = 1;
    list.push_back(std::move(existing));
    const auto reports = Import();
    EXPECT_EQ(reports, (std::vector<std::string>{"Incorrect frequency on line 2", "Incorrect group on line 3",
                                                 "Incorrect priority on line 4"}));
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{1, 2})) << "1 replaced twice; x took the free 2; "
                                                              "the empty line ended the import";
    EXPECT_EQ(lxq_test::ByValue(list[0]->frequency), 111);
    EXPECT_EQ(lxq_test::ByValue(list[1]->frequency), 500);
}

TEST_F(CsvFileTest, ShortLinesEndTheImportWhateverTheirLineEndAndNulBytesShiftNoColumn) {
    const std::string good = "\"5\",\"500\",\"10000\",\"0\",,,,,,\"\",\"\",\"\",\"0\",\"none\",\"\",\"\",\"AM\",\"\",\"\"";
    const struct {
        std::string body;
        std::vector<std::int32_t> numbers;
        std::vector<std::string> reports;
    } cases[] = {
        {good + "\r\nx\r\n" + "\"6\"" + good.substr(3) + "\r\n", {5}, {}},
        {good + "\nx\n" + "\"6\"" + good.substr(3) + "\n", {5}, {}},
        {good + "\r\n\r\n" + "\"6\"" + good.substr(3) + "\r\n", {5}, {}},
        // Unquoted, with a NUL inside the frequency: without it the columns would move by one.
        {std::string("7,7") + '\0' + "00,10000,0,,,,,,,,,0,none,,,AM,,\r\n" + good + "\r\n", {5},
         {"Incorrect frequency on line 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.body));
        list.clear();
        Write("header\r\n" + c.body);
        EXPECT_EQ(Import(), c.reports);
        EXPECT_EQ(Numbers(), c.numbers);
    }
    Fields fields;
    SplitCSVLine(fields, std::string("1,2\0" "3,4", 7));
    EXPECT_EQ(fields, (Fields{"1", std::string("2\0" "3", 3), "4", ""}));
}

TEST_F(CsvFileTest, AHeaderAloneAndAMissingFile) {
    Write("\"Number\"\r\n");
    EXPECT_TRUE(Import().empty());
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(ImportMemoryCsv(dir.File("absent.csv"), list, nullptr));
    EXPECT_FALSE(ExportMemoryCsv(dir.File("no/such/folder.csv"), list));
}

} // namespace
} // namespace lxq
