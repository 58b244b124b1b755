// The class library's component windows: the class "TmyComponent", the thunk slots that bind a
// window to its object, and what the library says at unload about what was left behind.
#include "crashreport/base/ThunkArea.h"
#include "crashreport/base/TmyApplication.h"
#include "crashreport/base/TmyComponent.h"
#include "platform/win/MessageApi.h"
#include "platform/win/Messages.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace errvane;
namespace win = plat::win;

namespace {

constexpr std::uint32_t kPing = win::WM_USER + 7;

// A component that keeps the messages it got and answers kPing with its own number.
class Recorder : public TmyComponent {
public:
    explicit Recorder(int number) : number_(number) {}
    win::LResult HandleMessage(std::uint32_t msg, win::WParam wParam, win::LParam lParam) override {
        messages.push_back(msg);
        if (msg == kPing) return number_;
        return TmyComponent::HandleMessage(msg, wParam, lParam);
    }
    std::vector<std::uint32_t> messages;

private:
    int number_;
};

// An application with the trace log on, in a home of its own; standard error (the debug output)
// goes to a file while it is unloaded.
class ComponentLibrary : public testing::Test {
protected:
    void SetUp() override {
        home_ = std::string(testing::TempDir()) + "errvane-components-" + std::to_string(getpid());
        const char* saved = std::getenv("HOME");
        savedHome_ = saved != nullptr ? saved : "";
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_DOCUMENTS_DIR");
        application_ = std::make_unique<TmyApplication>("prog /ll");
    }
    void TearDown() override {
        application_.reset();
        TmyObject::SetGlobalTraceFlags(0);
        setenv("HOME", savedHome_.c_str(), 1);
        std::system(("rm -rf '" + home_ + "'").c_str());
    }
    // Unloads the application; returns its debug output, and the trace log in `log`.
    std::string Unload(std::string& log) {
        const std::string logPath = TmyApplication::LogPath().Text();
        const std::string errPath = home_ + "/stderr.txt";
        std::fflush(stderr);
        const int saved = dup(2);
        FILE* out = std::fopen(errPath.c_str(), "w");
        dup2(fileno(out), 2);
        application_.reset();
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::fclose(out);
        log = Read(logPath);
        return Read(errPath);
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::unique_ptr<TmyApplication> application_;
    std::string home_;
    std::string savedHome_;
};

}  // namespace

TEST_F(ComponentLibrary, EachWindowReachesItsOwnObjectThroughItsOwnSlot) {
    ASSERT_TRUE(application_->ClassRegistered());
    Recorder first(1);
    Recorder second(2);
    ASSERT_TRUE(first.CreateWindow("first", 0, 0, 0, 50, 20, 0));
    ASSERT_TRUE(second.CreateWindow("second", 0, 0, 0, 50, 20, 0));
    EXPECT_EQ(win::GetClassName(first.Window()), "TmyComponent");
    // The very first message already reached the object, and the class procedure gave way to
    // the slot's own.
    ASSERT_FALSE(first.messages.empty());
    EXPECT_EQ(first.messages.front(), win::WM_NCCREATE);
    EXPECT_NE(first.ThunkIndex(), second.ThunkIndex());
    EXPECT_EQ(win::GetWindowLongPtr(first.Window(), win::GWLP_WNDPROC),
              reinterpret_cast<win::LParam>(ThunkArea::Current()->Procedure(first.ThunkIndex())));
    EXPECT_EQ(win::SendMessage(first.Window(), kPing, 0, 0), 1);
    EXPECT_EQ(win::SendMessage(second.Window(), kPing, 0, 0), 2);

    // Destroying an object destroys its window and frees its slot for the next one.
    const win::Hwnd window = first.Window();
    const std::int32_t slot = first.ThunkIndex();
    auto passing = std::make_unique<Recorder>(3);
    ASSERT_TRUE(passing->CreateWindow("passing", 0, 0, 0, 10, 10, 0));
    const win::Hwnd gone = passing->Window();
    const std::int32_t freed = passing->ThunkIndex();
    passing.reset();
    EXPECT_FALSE(win::IsWindow(gone));
    EXPECT_EQ(Recorder(4).ThunkIndex(), freed);
    EXPECT_TRUE(win::IsWindow(window));
    EXPECT_EQ(first.ThunkIndex(), slot);
    // A window made without a waiting object (by someone else) answers 0 and stays unbound.
    EXPECT_EQ(win::CreateWindowEx(0, "TmyComponent", "stray", 0, 0, 0, 1, 1, 0, 0, 0), 0u);
}

TEST_F(ComponentLibrary, WhenEverySlotIsTakenAFurtherObjectGetsNoWindow) {
    std::vector<std::unique_ptr<TmyComponent>> all;
    for (std::uint32_t k = 0; k < ThunkArea::kSlots; ++k) {
        all.push_back(std::make_unique<TmyComponent>());
        ASSERT_EQ(all.back()->ThunkIndex(), static_cast<std::int32_t>(k));
    }
    TmyComponent extra;
    EXPECT_EQ(extra.ThunkIndex(), -1);
    EXPECT_FALSE(extra.CreateWindow("extra", 0, 0, 0, 1, 1, 0));
    EXPECT_EQ(extra.Window(), 0u);
    all.clear();
    std::string log;
    const std::string debug = Unload(log);
    EXPECT_NE(debug.find("Max. thunk index: 5040 / 5041\r\n"), std::string::npos) << debug;
    EXPECT_EQ(log.find("Undeleted thunk control"), std::string::npos) << log;
}

TEST_F(ComponentLibrary, UnloadNamesEveryObjectLeftBehindAndItsWindowFallsBackToDefaults) {
    auto kept = std::make_unique<Recorder>(5);
    Recorder destroyed(6);
    ASSERT_TRUE(kept->CreateWindow("kept", 0, 0, 0, 50, 20, 0));
    const win::Hwnd window = kept->Window();
    char expected[64];
    std::snprintf(expected, sizeof expected, "Undeleted thunk control: %p [%d]\r\n", static_cast<void*>(kept.get()),
                  kept->ThunkIndex());
    std::string log;
    const std::string debug = Unload(log);
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(log.find("Class failed to unregister"), std::string::npos) << log;
    EXPECT_NE(debug.find("Type IDs count: "), std::string::npos) << debug;
    EXPECT_NE(debug.find("Max. thunk index: 1 / 5041\r\n"), std::string::npos) << debug;

    // The window still works, with the default handling: the object no longer hears of it.
    const std::size_t heard = kept->messages.size();
    EXPECT_EQ(win::SendMessage(window, kPing, 0, 0), 0);
    EXPECT_EQ(kept->messages.size(), heard);
    kept.reset();
    EXPECT_FALSE(win::IsWindow(window));
}

TEST_F(ComponentLibrary, AClassThatIsGoneAtUnloadIsReported) {
    ASSERT_TRUE(win::UnregisterClass("TmyComponent"));
    std::string log;
    Unload(log);
    EXPECT_NE(log.find("Class failed to unregister, err=2\r\n"), std::string::npos) << log;
}
