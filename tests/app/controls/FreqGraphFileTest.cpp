#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/controls/TmyFreqGraph2.h"
#include "platform/sys/MessageBox.h"
#include "tests/app/controls/ControlTestSupport.h"
#include "tests/app/controls/FreqGraphTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace fs = std::filesystem;
using LT = TmyGraphLineType;

std::vector<char> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A temporary file of a save left beside its target.
bool HasTemporaryBeside(const fs::path& target) {
    const std::string prefix = target.filename().string() + ".tmp";
    for (const auto& entry : fs::directory_iterator(target.parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return true;
    return false;
}

void WriteAll(const fs::path& p, const std::vector<char>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename T> T At(const std::vector<char>& b, std::size_t offset) {
    T v{};
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

class FreqGraphFileTest : public testing::Test {
protected:
    FreqGraphFileTest() {
        dir_ = fs::temp_directory_path() /
               ("lxq-graph-" + std::to_string(::getpid()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        graph_ = new TmyFreqGraph2(nullptr);
        graph_->SetParent(&parent_);
        graph_->SetBounds(0, 0, 600, 240);
        for (int i = 0; i < 32; ++i) block_[i] = static_cast<std::uint8_t>(i * 7);
    }
    ~FreqGraphFileTest() override { fs::remove_all(dir_); }

    void AddScopeLines() { test::AddScopeLines(*graph_); }

    fs::path dir_;
    TWinControl parent_{nullptr};
    TmyFreqGraph2* graph_;
    std::uint8_t block_[32];
};

TEST_F(FreqGraphFileTest, FileLayoutByteForByte) {
    graph_->SetRange(1'000, 2'000, 100); // 10 steps, capacity 11
    AddScopeLines();
    graph_->AddSample(0, -70, false);
    graph_->AddSample(0, -65, false);
    graph_->SetLinePos(1, 1234);
    graph_->AddHit(4, 0, true, false);
    const fs::path file = dir_ / "scope.q7s";
    ASSERT_EQ(graph_->SaveToFile(file.string(), block_), 1);
    const std::vector<char> b = ReadAll(file);
    const std::size_t lines = 6; // the hits line brings its rounds line
    ASSERT_EQ(b.size(), 82 + 92 * lines + lines * 12 * 2);
    EXPECT_EQ(std::string(b.data(), 22), std::string("Q7 Spectrum analyzer\0\0", 22));
    EXPECT_EQ(At<std::int32_t>(b, 22), 6);
    EXPECT_EQ(At<std::int64_t>(b, 26), 1'000);
    EXPECT_EQ(At<std::int64_t>(b, 34), 2'000);
    EXPECT_EQ(At<std::int64_t>(b, 42), 100);
    EXPECT_EQ(std::memcmp(b.data() + 50, block_, 32), 0);
    const std::size_t r1 = 82 + 92; // the second record
    EXPECT_EQ(At<std::int32_t>(b, r1), 0x00FF00);
    EXPECT_EQ(At<std::uint8_t>(b, r1 + 4), 0);
    EXPECT_EQ(At<std::int32_t>(b, r1 + 8), 11);
    EXPECT_EQ(At<std::int32_t>(b, r1 + 16), 1234);
    EXPECT_STREQ(b.data() + r1 + 20, "Min");
    EXPECT_STREQ(b.data() + r1 + 52, "dBm");
    EXPECT_EQ(At<std::uint8_t>(b, r1 + 88), 1);
    const std::size_t r5 = 82 + 92 * 5; // the rounds line
    EXPECT_EQ(At<std::uint8_t>(b, r5 + 4), 4);
    EXPECT_EQ(At<std::uint8_t>(b, r5 + 88), 0);
    const std::size_t samples = 82 + 92 * lines;
    EXPECT_EQ(At<std::int16_t>(b, samples), -70);
    EXPECT_EQ(At<std::int16_t>(b, samples + 2), -65);
    EXPECT_EQ(At<std::int16_t>(b, samples + 4 * 24), 1) << "hits of step 0";
    EXPECT_EQ(At<std::int16_t>(b, samples + 5 * 24), 1) << "visits of step 0";
    EXPECT_FALSE(HasTemporaryBeside(file));
}

TEST_F(FreqGraphFileTest, FmBandLinesHoldAllTheirSteps) {
    graph_->AddGraphLine("Level", "dBm", 0xFF, LT::normal);
    const fs::path file = dir_ / "fm.q7s";
    ASSERT_EQ(graph_->SaveToFile(file.string(), block_), 1);
    const std::vector<char> b = ReadAll(file);
    EXPECT_EQ(At<std::int32_t>(b, 82 + 8), 20'001);
    EXPECT_EQ(b.size(), 82u + 92u + 20'002u * 2u);
}

TEST_F(FreqGraphFileTest, LoadingBringsBackHiddenLinesAndTheCallerBlock) {
    graph_->SetRange(1'000, 2'000, 100);
    AddScopeLines();
    for (int n = 0; n < 5; ++n) graph_->AddSample(3, -100 + n, false);
    const fs::path file = dir_ / "scope.q7s";
    ASSERT_EQ(graph_->SaveToFile(file.string(), block_), 1);
    graph_->SetRange(88'000'000, 108'000'000, 1'000);
    graph_->AddGraphLine("Other", "dBm", 0xFF, LT::normal);
    std::uint8_t back[32] = {};
    ASSERT_EQ(graph_->LoadFromFile(file.string(), back), 1);
    EXPECT_EQ(std::memcmp(back, block_, 32), 0);
    EXPECT_EQ(graph_->Start(), 1'000);
    EXPECT_EQ(graph_->Stop(), 2'000);
    EXPECT_EQ(graph_->Step(), 100);
    ASSERT_EQ(graph_->GetLinesCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(graph_->GetShowLine(i)) << "the owner shows them";
    EXPECT_EQ(graph_->GetLineLen(3), 5);
    EXPECT_EQ(graph_->GetSampleIndex(3, 4), -96);
    EXPECT_EQ(graph_->GetLineColor(2), 0xFF00FFu);
    EXPECT_EQ(graph_->Zoom(), 1);
}

TEST_F(FreqGraphFileTest, BadFilesLeaveTheGraphAsItWas) {
    graph_->SetRange(1'000, 2'000, 100);
    AddScopeLines();
    const fs::path good = dir_ / "good.q7s";
    ASSERT_EQ(graph_->SaveToFile(good.string(), block_), 1);
    const std::vector<char> bytes = ReadAll(good);
    struct Case {
        const char* what;
        std::vector<char> bytes;
    };
    auto patched = [&](std::size_t offset, std::int32_t v) {
        std::vector<char> b = bytes;
        std::memcpy(b.data() + offset, &v, sizeof v);
        return b;
    };
    // Only the header: from the lowest to the highest 64-bit frequency in steps of 1 Hz.
    std::vector<char> widest(bytes.begin(), bytes.begin() + 82);
    std::memcpy(widest.data() + 22, "\0\0\0\0", 4);
    const std::int64_t lowest = INT64_MIN, highest = INT64_MAX, oneHz = 1;
    std::memcpy(widest.data() + 26, &lowest, 8);
    std::memcpy(widest.data() + 34, &highest, 8);
    std::memcpy(widest.data() + 42, &oneHz, 8);
    // Only the header: a span past 2^63 Hz in a step count that fits in 32 bits.
    std::vector<char> wideSteps = widest;
    const std::int64_t minus9e18 = -9'000'000'000'000'000'000, plus9e18 = 9'000'000'000'000'000'000,
                       terahertz = 1'000'000'000'000;
    std::memcpy(wideSteps.data() + 26, &minus9e18, 8);
    std::memcpy(wideSteps.data() + 34, &plus9e18, 8);
    std::memcpy(wideSteps.data() + 42, &terahertz, 8);
    // One line whose range and capacity agree on 2^31 - 3 steps, with next to no samples behind.
    std::vector<char> forged(bytes.begin(), bytes.begin() + 82 + 92);
    forged.resize(1024);
    const std::int32_t one = 1, capacity = INT32_MAX - 2;
    const std::int64_t from = 0, to = capacity - 1;
    std::memcpy(forged.data() + 22, &one, 4);
    std::memcpy(forged.data() + 26, &from, 8);
    std::memcpy(forged.data() + 34, &to, 8);
    std::memcpy(forged.data() + 42, &oneHz, 8);
    std::memcpy(forged.data() + 82 + 8, &capacity, 4);
    // Only the header, each passing the file's own checks: a range at the top of the 64-bit range
    // (its scale was drawn for ever), one at the bottom, and 2^31 - 3 one-hertz steps (a line of
    // them takes 4 GB).
    auto headerAlone = [&](std::int64_t start, std::int64_t stop, std::int64_t step) {
        std::vector<char> b = widest;
        std::memcpy(b.data() + 26, &start, 8);
        std::memcpy(b.data() + 34, &stop, 8);
        std::memcpy(b.data() + 42, &step, 8);
        return b;
    };
    const std::vector<char> top = headerAlone(highest - 1'000'000'000'000'000, highest - 1'000, 999'999'999'999);
    const std::vector<char> bottom = headerAlone(lowest, lowest + 1'000, 10);
    const std::vector<char> twoGigasteps = headerAlone(0, INT32_MAX - 3, 1);
    std::vector<char> signature = bytes;
    signature[3] = 's';
    const std::vector<Case> cases = {
        {"eleven lines", patched(22, 11)},
        {"negative line count", patched(22, -1)},
        {"wrong signature", signature},
        {"cut short", std::vector<char>(bytes.begin(), bytes.end() - 1)},
        {"capacity not of the range", patched(82 + 8, 12)},
        {"filled beyond capacity", patched(82 + 12, 13)},
        {"line type beyond rounds", patched(82 + 4, 5)},
        {"empty range", patched(42, 0)},
        {"header alone, range wider than 2^63 Hz", widest},
        {"header alone, 18 million steps of 1 THz over 2^63 Hz", wideSteps},
        {"a forged capacity of 2^31 samples in a 1 KB file", forged},
        {"header alone, 1000 steps ending 1000 Hz below 2^63", top},
        {"header alone, 100 steps from -2^63", bottom},
        {"header alone, 2^31 - 3 steps of 1 Hz", twoGigasteps},
    };
    graph_->SetRange(0, 500, 10);
    graph_->AddGraphLine("Keep", "dBm", 0xFF, LT::normal);
    graph_->AddSample(0, -77, false);
    for (const Case& c : cases) {
        const fs::path file = dir_ / "bad.q7s";
        WriteAll(file, c.bytes);
        std::uint8_t back[32] = {};
        EXPECT_EQ(graph_->LoadFromFile(file.string(), back), 0) << c.what;
        EXPECT_EQ(graph_->Stop(), 500) << c.what;
        EXPECT_EQ(graph_->GetLinesCount(), 1) << c.what;
        EXPECT_EQ(graph_->GetSampleIndex(0, 0), -77) << c.what;
    }
    std::uint8_t back[32] = {};
    EXPECT_EQ(graph_->LoadFromFile((dir_ / "missing.q7s").string(), back), 0);
}

TEST_F(FreqGraphFileTest, ARangeWiderThanSixtyFourBitsIsRefusedAndTheHitsGoOn) {
    graph_->SetRange(1'000, 2'000, 100);
    EXPECT_FALSE(graph_->SetRange(-9'000'000'000'000'000'000, 9'000'000'000'000'000'000, 1'000'000'000'000));
    EXPECT_EQ(graph_->Start(), 1'000);
    EXPECT_EQ(graph_->Stop(), 2'000);
    graph_->AddHitRound(); // room for the range the graph kept
}

TEST_F(FreqGraphFileTest, FailedSaveKeepsTheOldFile) {
    graph_->AddGraphLine("Level", "dBm", 0xFF, LT::normal);
    EXPECT_EQ(graph_->SaveToFile((dir_ / "no-such-folder" / "x.q7s").string(), block_), 0);
    // A target that cannot be replaced: the old content stays and no temporary file is left.
    const fs::path target = dir_ / "occupied";
    fs::create_directories(target / "inside");
    EXPECT_EQ(graph_->SaveToFile(target.string(), block_), 0);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_FALSE(HasTemporaryBeside(target));
}

int gBoxes = 0;
std::string gText, gCaption;
std::uint32_t gStyle = 0;
int RecordBox(std::uint32_t, std::string_view text, std::string_view caption, std::uint32_t style) {
    ++gBoxes;
    gText = text;
    gCaption = caption;
    gStyle = style;
    return plat::sys::kIdOk;
}

TEST_F(FreqGraphFileTest, PrintingWithoutAPrinterSaysSoAndRestoresTheGraph) {
    const auto previous = plat::sys::SetMessageBoxHook(&RecordBox);
    graph_->SetShowTopLabel(true);
    const int fontHeight = graph_->Font().Height();
    const int plotWidth = graph_->PlotWidth();
    EXPECT_TRUE(graph_->Print());
    plat::sys::SetMessageBoxHook(previous);
    EXPECT_EQ(gBoxes, 1);
    EXPECT_EQ(gText, "No valid printer found");
    EXPECT_EQ(gCaption, "Q7 spectrum scope");
    EXPECT_NE(gStyle & plat::sys::kMbTopMost, 0u);
    EXPECT_TRUE(graph_->ShowTopLabel());
    EXPECT_EQ(graph_->Font().Height(), fontHeight);
    EXPECT_EQ(graph_->PlotWidth(), plotWidth);
    EXPECT_EQ(graph_->Image().DisableRedraw(), 1) << "redrawing was resumed";
    graph_->Image().EnableRedraw();
}

} // namespace
} // namespace lxq
