// What the demodulator window paints while it plays: each block only the IF graph's plot, clipped
// to it, with the screen as a whole repaint would leave it; nothing while the window is hidden or
// covered by another window.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "platform/win/Backend.h"
#include "platform/win/HeadlessBackend.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/WindowApi.h"
#include "platform/win/WindowSystem.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace demod_window_paint {
namespace {

using namespace demod_test;
using toolkit_test::Pump;
namespace win = plat::win;

constexpr std::uint32_t kReceiver = 9;
constexpr int kFrames = 1024;

// The headless screen, keeping the areas of the window system's surfaces that were painted.
class PaintLog final : public win::Backend {
public:
    const char* Name() const override { return inner_.Name(); }
    bool Wait(int wakeFd, plat::sys::Nanoseconds timeout) override { return inner_.Wait(wakeFd, timeout); }
    void SurfaceChanged(std::uint32_t top, const plat::gdi::Rect& area) override {
        if (top == watched) painted.push_back(area);
    }
    std::uint32_t watched = 0; // the top-level window whose paints are kept
    std::vector<plat::gdi::Rect> painted;

private:
    win::HeadlessBackend inner_;
};

// An AM station over noise in the right channel: the IF graph's trace changes every block.
std::vector<std::int16_t> Station(int blocks, std::uint32_t seed) {
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(blocks) * kFrames);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (std::size_t k = 0; k < v.size() / 2; ++k) {
        const double t = static_cast<double>(k) / 48000.0;
        v[2 * k + 1] = static_cast<std::int16_t>(
            std::lround(6000.0 * (1.0 + 0.5 * std::sin(2 * M_PI * 1000.0 * t)) * std::sin(2 * M_PI * 12000.0 * t) + noise(random)));
    }
    return v;
}

class DemodWindowPaintTest : public ::testing::Test {
protected:
    DemodWindowPaintTest() {
        ResetApi();
        ResetHost();
        auto log = std::make_unique<PaintLog>();
        log_ = log.get();
        win::WindowSystem::Instance().SetBackend(std::move(log));
        auto caps = Caps();
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        log_->watched = window_->Handle();
        Pump();
    }
    ~DemodWindowPaintTest() override {
        delete window_;
        Pump();
        win::WindowSystem::Instance().SetBackend(std::make_unique<win::HeadlessBackend>());
    }
    // Blocks one at a time, each shown before the next; returns the areas painted meanwhile.
    std::vector<plat::gdi::Rect> Play(int blocks, std::uint32_t seed) {
        log_->painted.clear();
        const std::vector<std::int16_t> frames = Station(blocks, seed);
        for (int b = 0; b < blocks; ++b) {
            window_->OnAudioBlock(frames.data() + 2 * static_cast<std::size_t>(b) * kFrames, 4 * kFrames);
            Pump();
        }
        return log_->painted;
    }
    std::unique_ptr<plat::gdi::Bitmap> Picture() {
        Pump();
        return win::CaptureWindow(window_->Handle());
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig rig_;
    std::uint32_t mask_ = 0;
    PaintLog* log_ = nullptr;
    DemodWindow* window_ = nullptr;
};

TEST_F(DemodWindowPaintTest, ABlockPaintsTheIfGraphsPlotAloneAndTheScreenIsAsAWholeRepaintLeavesIt) {
    ASSERT_TRUE(window_->Started());
    const RC_Graph* graph = window_->IfGraph();
    // The surface holds the whole window: the client area lies inside its frame.
    win::Rect window{};
    win::GetWindowRect(window_->Handle(), &window);
    win::Point client{0, 0};
    win::ClientToScreen(window_->Handle(), &client);
    const plat::gdi::Rect plot =
        graph->PlotRect().Offset(graph->X() + client.x - window.left, graph->Y() + client.y - window.top);
    ASSERT_FALSE(plot.IsEmpty());
    constexpr int kBlocks = 6;
    const auto painted = Play(kBlocks, 1);
    ASSERT_EQ(painted.size(), static_cast<std::size_t>(kBlocks)) << "one paint a block";
    for (const plat::gdi::Rect& r : painted) {
        EXPECT_EQ(r.left, plot.left);
        EXPECT_EQ(r.top, plot.top);
        EXPECT_EQ(r.right, plot.right);
        EXPECT_EQ(r.bottom, plot.bottom);
    }
    // What the blocks left on the screen is what painting everything again gives.
    const auto afterBlocks = Picture();
    window_->InvalidateTree();
    const auto whole = Picture();
    ASSERT_TRUE(afterBlocks && whole);
    ASSERT_EQ(afterBlocks->Width(), whole->Width());
    int differing = 0;
    for (int y = 0; y < whole->Height(); ++y)
        for (int x = 0; x < whole->Width(); ++x) differing += afterBlocks->GetPixel(x, y) != whole->GetPixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);
}

TEST_F(DemodWindowPaintTest, NothingIsPaintedWhileTheWindowIsHiddenOrCovered) {
    ASSERT_TRUE(window_->Started());
    ASSERT_FALSE(Play(2, 2).empty()) << "seen, it paints";

    win::ShowWindow(window_->Handle(), win::SW_HIDE);
    EXPECT_TRUE(Play(3, 3).empty()) << "hidden";
    win::ShowWindow(window_->Handle(), win::SW_SHOWNOACTIVATE);
    Pump();

    // A window of the program over the whole of it, then moved to leave a corner free.
    win::Rect r{};
    win::GetWindowRect(window_->Handle(), &r);
    auto* cover = new RC_Window(nullptr, r.left, r.top, r.Width(), r.Height(), RC_Window::kKeepsLoop);
    cover->Show(win::SW_SHOW);
    Pump();
    EXPECT_FALSE(win::IsWindowUncovered(window_->Handle()));
    EXPECT_TRUE(Play(3, 4).empty()) << "covered";
    cover->Move(r.left + 20, r.top + 20, r.Width(), r.Height(), false);
    Pump();
    EXPECT_TRUE(win::IsWindowUncovered(window_->Handle()));
    EXPECT_FALSE(Play(2, 5).empty()) << "partly covered, it paints";
    delete cover;
}

} // namespace
} // namespace demod_window_paint
