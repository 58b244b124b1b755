#include "crashreport/base/ReportHeap.h"
#include "crashreport/base/TmyBinaryTree.h"
#include "crashreport/base/TmyFile.h"
#include "crashreport/base/TmyList.h"
#include "crashreport/base/TmySet.h"
#include "crashreport/base/TraceSink.h"
#include "crashreport/base/TypeRegistry.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace errvane;

TEST(TmyList, InsertsDeletesAndStopsAtItsMaximum) {
    TmyDwordList list(1, 3);
    EXPECT_EQ(list.Add(10), 0);
    EXPECT_EQ(list.Add(30), 1);
    EXPECT_EQ(list.Add(20, 1), 1);
    EXPECT_EQ(list.Add(40), -1);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.At(0), 10u);
    EXPECT_EQ(list.At(1), 20u);
    EXPECT_EQ(list.At(2), 30u);
    EXPECT_EQ(list.Delete(5), 0u);
    EXPECT_EQ(list.Delete(0), 10u);
    list.Truncate(1);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0), 20u);
}

TEST(TmyBuffer, ResizeKeepsWithinLimits) {
    TmyBuffer buffer(0, 64, 8);
    EXPECT_EQ(buffer.Capacity(), 8u);
    EXPECT_TRUE(buffer.SetLength(20));
    EXPECT_GE(buffer.Capacity(), 20u);
    EXPECT_TRUE(buffer.SetLength(1000));  // cut to the maximum
    EXPECT_EQ(buffer.Used(), 64u);
    buffer.Resize(2);
    EXPECT_EQ(buffer.Capacity(), 64u);  // never below the used length
}

TEST(TmySet, TracksAddedNumbers) {
    struct Case {
        std::uint32_t largest;
        std::uint32_t number;
    };
    for (const Case c : {Case{5, 3}, Case{5040, 5040}, Case{5040, 31}, Case{5040, 32}}) {
        TmySet set(c.largest);
        ASSERT_TRUE(set.IsValid());
        EXPECT_TRUE(set.IsEmpty());
        set.Add(c.number);
        set.Add(c.largest + 1);  // out of range: ignored
        EXPECT_EQ(set.Lowest(), c.number);
        EXPECT_TRUE(set.Contains(c.number));
        set.Remove(c.number);
        EXPECT_TRUE(set.IsEmpty());
        EXPECT_EQ(set.Lowest(), -1);
    }
    EXPECT_FALSE(TmySet(TmySet::kLargest + 1).IsValid());
}

TEST(TmyBinaryTree, FindsEveryKeyAndWalksInOrder) {
    TmyBinaryTree tree;
    static char keys[64];
    for (int i : {5, 1, 9, 3, 7, 2, 8, 0, 63, 31}) ASSERT_TRUE(tree.Insert(&keys[i], static_cast<std::uintptr_t>(i)));
    tree.Insert(&keys[5], 55);
    EXPECT_EQ(tree.Count(), 10u);
    std::uintptr_t value = 0;
    ASSERT_TRUE(tree.Find(&keys[5], &value));
    EXPECT_EQ(value, 55u);
    EXPECT_FALSE(tree.Find(&keys[4], &value));
    TmyList walk(4, 0);
    tree.AppendValues(walk);
    ASSERT_EQ(walk.Count(), 10u);
    const std::uintptr_t expected[] = {0, 1, 2, 3, 55, 7, 8, 9, 31, 63};
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(walk.At(i), expected[i]);
    EXPECT_LE(tree.Depth(), 10u);
    EXPECT_GE(tree.InnerNodes(), 1u);
}

namespace {

class TraceLog : public testing::Test {
protected:
    void SetUp() override {
        path_ = std::string(testing::TempDir()) + "trace" + std::to_string(getpid());
        file_ = new TmyFile(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
        TraceSink::SetLogFile(file_);
        TypeRegistry::Attach(&registry_);
    }
    void TearDown() override {
        TypeRegistry::Detach();
        TraceSink::SetLogFile(nullptr);
        delete file_;
        unlink(path_.c_str());
    }
    std::string Lines() {
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string path_;
    TmyFile* file_ = nullptr;
    TmyBinaryTree registry_;
};

}  // namespace

TEST_F(TraceLog, IndentIsLimitedAndNeverNegative) {
    TmyList list(1, 1);
    list.SetTraceFlags(kTraceLog);
    list.Trace(600, "deep");
    list.Trace(-1000, "back");
    list.Trace(0, "flat");
    const std::string text = Lines();
    EXPECT_NE(text.find("<      List:"), std::string::npos) << text;
    EXPECT_NE(text.find(">\t" + std::string(500, ' ') + "deep\r\n"), std::string::npos);
    EXPECT_EQ(text.find(std::string(501, ' ') + "deep"), std::string::npos);
    EXPECT_NE(text.find(std::string(500, ' ') + "back\r\n"), std::string::npos);
    EXPECT_NE(text.find(">\tflat\r\n"), std::string::npos);
}

TEST_F(TraceLog, SilentWithoutTraceFlags) {
    TmyList list(1, 1);
    list.SetTraceFlags(0);
    list.Trace(0, "hidden");
    EXPECT_EQ(Lines(), "");
}

TEST_F(TraceLog, FailedOpenIsTraced) {
    TmyObject::SetGlobalTraceFlags(kTraceLog);
    TmyFile missing("/nonexistent-folder/file", O_RDONLY);
    TmyObject::SetGlobalTraceFlags(0);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_NE(Lines().find("File not opened, err=2"), std::string::npos);
}

TEST(ReportHeap, InArenaModeStringsComeFromTheArena) {
    ASSERT_TRUE(ReportHeap::ReserveArena(1 << 20));
    ReportHeap::UseArena(true);
    ASSERT_TRUE(ReportHeap::UsingArena());
    const std::size_t before = ReportHeap::ArenaUsed();
    TmyList list(4, 0);
    for (std::uintptr_t i = 0; i < 100; ++i) list.Insert(i, -1);  // grows by reallocation
    EXPECT_GT(ReportHeap::ArenaUsed(), before);
    ASSERT_EQ(list.Count(), 100u);
    EXPECT_EQ(list.At(99), 99u);
    ReportHeap::UseArena(false);
    EXPECT_FALSE(ReportHeap::UsingArena());
}
