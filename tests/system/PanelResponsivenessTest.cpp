// The panel answers its user while the receiver does not answer it: a receiver asleep in its
// host holds every request for the whole time-out, and none of that waiting may fall on the
// user-interface thread.
//
// Each input is timed as long as it waited for the user-interface thread, less the time the
// thread was ready to run but had no processor: a busy machine may keep any thread waiting its
// turn, and that wait is not the panel's. Of what is left, the time the thread slept (neither
// running nor ready) is a wait for something else, the host for one. The plain build answers
// within a tenth of a second; a sanitizer's build does the thread's own work several times slower,
// and there only the sleep is held to that.

#include "app/receiver/TmyQ745.h"
#include "platform/components/HiddenWindow.h"
#include "platform/sys/DeviceChannel.h"
#include "tests/system/FrontPanelRig.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace lxq::systemtest {
namespace {

using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A thread of this process at one moment: the time, its processor time and its time spent ready
// to run but waiting for a processor (the scheduler's own figures).
struct ThreadTimes {
    Clock::time_point at;
    std::chrono::nanoseconds running{}, ready{};
};

ThreadTimes TimesOf(long tid) {
    ThreadTimes t{Clock::now()};
    std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    long long running = 0, ready = 0;
    file >> running >> ready;
    t.running = std::chrono::nanoseconds(running);
    t.ready = std::chrono::nanoseconds(ready);
    return t;
}

// The longest any input waited for the thread, less the time the thread stood ready without a
// processor, and the longest the thread slept with one waiting.
struct Answer {
    Clock::duration held{}, asleep{};
};

class PanelResponsiveness : public FrontPanelSystem {
protected:
    PanelResponsiveness() { plat::sys::SetRequestTimeout(std::chrono::milliseconds(3000)); }
    ~PanelResponsiveness() override {
        if (probe_ != 0) plat::comp::DeallocateHWnd(probe_);
        plat::sys::SetRequestTimeout(oldTimeout_);
    }

    // Input for the panel every 20 ms for `ms`, as a user's clicks come, and how it was answered.
    // Each input is timed from when it was in the panel's queue (its post returned), not from
    // before the post: a loaded machine may set the posting thread aside between the two, and that
    // wait is not the panel's.
    Answer LongestAnswer(int ms) {
        const long panel = syscall(SYS_gettid);
        if (probe_ == 0) {
            probe_ = plat::comp::AllocateHWnd([this, panel](plat::comp::TMessage& m) {
                if (m.Msg != kProbe) return;
                const ThreadTimes now = TimesOf(panel);
                std::lock_guard hold(lock_);
                answered_[m.WParam] = now;
            });
        }
        {
            std::lock_guard hold(lock_);
            posted_.clear();
            answered_.clear();
        }
        std::thread poster([&] {
            const auto until = Clock::now() + std::chrono::milliseconds(ms);
            for (std::size_t i = 0; Clock::now() < until; ++i) {
                plat::win::PostMessage(probe_, kProbe, i, 0);
                const ThreadTimes now = TimesOf(panel);
                {
                    std::lock_guard hold(lock_);
                    posted_[i] = now;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        Run(ms + 50, [] { return false; });
        poster.join();
        Run(50);
        std::lock_guard hold(lock_);
        Answer longest;
        for (const auto& [i, posted] : posted_) {
            // An input still unanswered has waited until now.
            const ThreadTimes answered = answered_.count(i) ? answered_[i] : TimesOf(panel);
            const auto held = answered.at - posted.at - std::chrono::duration_cast<Clock::duration>(answered.ready - posted.ready);
            const auto running = std::chrono::duration_cast<Clock::duration>(answered.running - posted.running);
            longest.held = std::max(longest.held, held);
            longest.asleep = std::max(longest.asleep, held - running);
        }
        return longest;
    }

    static std::int64_t Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

    static constexpr std::uint32_t kProbe = 0x8000 + 0x1F0;
    plat::win::Hwnd probe_ = 0;
    std::mutex lock_;
    std::map<std::size_t, ThreadTimes> posted_, answered_;
    std::chrono::milliseconds oldTimeout_ = plat::sys::RequestTimeout();
};

TEST_F(PanelResponsiveness, AClickIsAnsweredWithinATenthOfASecondWhileTheReceiverSleeps) {
    Start("usb", "noise -125\nstation 1000000 -60 am tone=1000\n");
    // A notice that the receiver is gone would come only after a whole time-out.
    std::vector<std::string> shown;
    form->RunModal = [&](plat::comp::TCustomForm& f) {
        shown.push_back(f.ClassName());
        return plat::comp::mrOk;
    };
    Run(300);
    const Answer answering = LongestAnswer(300);
    if (!kSanitized) {
        EXPECT_LT(answering.held, std::chrono::milliseconds(100)) << "with the receiver answering";
    }
    EXPECT_LT(answering.asleep, std::chrono::milliseconds(100)) << "with the receiver answering";

    ASSERT_EQ(Control({"suspend", "sim-usb0"}), 0);
    // Half the time-out: the signal poll has asked the sleeping receiver many times over.
    const Answer sleeping = LongestAnswer(1500);
    ASSERT_EQ(Control({"resume", "sim-usb0"}), 0);
    if (!kSanitized) {
        EXPECT_LT(sleeping.held, std::chrono::milliseconds(100)) << "the panel took " << Ms(sleeping.held) << " ms";
    }
    EXPECT_LT(sleeping.asleep, std::chrono::milliseconds(100))
        << "the panel slept " << Ms(sleeping.asleep) << " ms waiting for the receiver";
    EXPECT_TRUE(shown.empty()) << shown.front();
    ASSERT_TRUE(form->Q7->IsConnected());
    // The poll goes on once the receiver answers again: the station shows on the meter.
    Run(3000, [&] { return std::abs(form->Q7->SignalLevel() - -60.0) < 3.0; });
    EXPECT_NEAR(form->Q7->SignalLevel(), -60.0, 3.0);
}

} // namespace
} // namespace lxq::systemtest
