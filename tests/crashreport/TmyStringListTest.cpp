#include "crashreport/text/TmyStringList.h"

#include "tests/crashreport/TmyStringPrinter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using errvane::TmyString;
using errvane::TmyStringList;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath(const char* name) { return std::string(testing::TempDir()) + name + std::to_string(getpid()); }

}  // namespace

TEST(TmyStringList, SortsModuleLinesByAddress) {
    TmyStringList list(4, 100);
    const char* lines[] = {"\t7f0000001000 - x", "\t00400000 - y", "\t7e0000000000 - z", "\t00400000 - a",
                           "\tffff", "\t0"};
    for (const char* line : lines) list.Add(line);
    list.Sort();
    ASSERT_EQ(list.Count(), 6u);
    for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_LE(list.Line(i - 1).Compare(list.Line(i).Text()), 0) << i;
    EXPECT_EQ(list.Line(0), "\t0");
    EXPECT_EQ(list.Line(99), "");
}

TEST(TmyStringList, RefusesLinesBeyondItsMaximum) {
    TmyStringList list(1, 2);
    EXPECT_EQ(list.Add("one"), 0);
    EXPECT_EQ(list.Add("two", 0), 0);
    EXPECT_EQ(list.Add("three"), -1);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Line(0), "two");
}

TEST(TmyStringList, HoldsAReferenceOfItsOwn) {
    TmyString line("shared");
    {
        TmyStringList list(2, 10);
        list.Add(line);
        EXPECT_EQ(line.ShareCount(), 2);
        list.Remove(0);
        EXPECT_EQ(line.ShareCount(), 1);
        list.Add(line);
    }
    EXPECT_EQ(line.ShareCount(), 1);
}

TEST(TmyStringList, NotifiesEveryChange) {
    TmyStringList list(2, 10);
    int changes = 0;
    list.SetChangeHandler([](void* context, TmyStringList&) { ++*static_cast<int*>(context); }, &changes);
    list.Add("b");
    list.Add("a");
    list.Sort();
    list.Remove(0);
    EXPECT_EQ(changes, 4);
}

TEST(TmyStringList, SavesWithCrLfAndReplacesOrAppends) {
    const std::string path = TempPath("list");
    TmyStringList empty(1, 10);
    ASSERT_TRUE(empty.SaveToFile(path.c_str(), false));
    EXPECT_EQ(ReadFile(path), "");
    TmyStringList list(1, 10);
    list.Add("first");
    list.Add("");
    ASSERT_TRUE(list.SaveToFile(path.c_str(), false));
    ASSERT_TRUE(list.SaveToFile(path.c_str(), true));
    EXPECT_EQ(ReadFile(path), "first\r\n\r\nfirst\r\n\r\n");
    ASSERT_TRUE(list.SaveToFile(path.c_str(), false));
    EXPECT_EQ(ReadFile(path), "first\r\n\r\n");
    EXPECT_NE(access((path + ".tmp").c_str(), F_OK), 0);
    std::remove(path.c_str());
    EXPECT_FALSE(list.SaveToFile("/nonexistent-folder/x.log", false));
}
