#pragma once
// The front panel on a real road: the driver host runs in-process on a fresh namespace with one
// receiver, the main form starts headless and binds the API library by name, and time is a fake
// clock whose timers run as it is advanced. Message boxes are recorded, not shown.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyQ745.h"
#include "driver/host/BuiltInKinds.h"
#include "driver/host/Bus.h"
#include "driver/host/ChannelServer.h"
#include "driver/host/DeviceKinds.h"
#include "driver/host/ReceiverDevice.h"
#include "platform/components/TApplication.h"
#include "platform/sys/Clock.h"
#include "platform/win/InputApi.h"
#include "tests/platform/sys/ScopedChannelNamespace.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t flags;
};

class FrontPanel : public ::testing::Test {
protected:
    FrontPanel() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        // Level = -200 + raw x 300 / 255 dBm at every frequency.
        std::ofstream(dir.File("lxq745.cal")) << "[LX-Q745]\ntable -1\n1000000 0:-200 255:100\n";
        // The settings name the calibration file "lxq745.cal" by default, found in the
        // working folder; the band list is read there too.
        std::filesystem::current_path(dir.Path());
        plat::comp::Application().ResetTerminated();
    }
    ~FrontPanel() override {
        ClosePanel();
        std::filesystem::current_path(startFolder);
        if (serving) server.Stop();
        bus.RemoveAll();
        unsetenv("XDG_DOCUMENTS_DIR");
    }
    // kind: a device kind of the host ("test" is a USB receiver that answers at once).
    void StartHost(const std::string& kind = "test") {
        host::RegisterBuiltInKinds(kinds);
        ASSERT_TRUE(server.Start());
        serving = true;
        std::string message;
        ASSERT_EQ(bus.Plug(kind, "rx1", message), 0u) << message;
    }
    host::ReceiverDevice& Device() { return dynamic_cast<host::ReceiverDevice&>(bus.FindByBusId("rx1")->Driver()); }
    // What the host's receiver is tuned to once the panel's requests have been carried out.
    std::uint32_t HostFrequency() {
        if (form) form->Q7->FinishRequests();
        return Device().State().frequency;
    }
    // What the receiver answered the panel's requests so far, brought to the panel as its message
    // loop brings it; an answer may ask again, and that answer comes too.
    void Answers() {
        for (int round = 0; form && round < 5; ++round) {
            form->Q7->FinishRequests();
            plat::comp::Application().ProcessMessages();
        }
    }
    // The panel with its message boxes and dialogs answered here; not yet created.
    void MakePanel(std::vector<std::string> args = {}) {
        form = std::make_unique<TQ7form>(nullptr, std::move(args));
        form->ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t f) {
            boxes.push_back({t, c, f});
            return 1;
        };
        form->RunModal = DefaultAnswer;
    }
    // Without a receiver the panel runs on the demonstration receiver ("Run in demo mode").
    static plat::comp::TModalResult DefaultAnswer(plat::comp::TCustomForm& f) {
        return std::string(f.ClassName()) == "TNoRecForm" ? plat::comp::mrOk : f.ShowModal();
    }
    // Ends the panel. A test's own answer to its dialogs goes first: it may hold the test body's
    // locals, which are gone when an ASSERT ended the body early, and closing may still ask.
    void ClosePanel() {
        if (!form) return;
        form->RunModal = DefaultAnswer;
        form.reset();
    }
    void StartPanel(std::vector<std::string> args = {}) {
        MakePanel(std::move(args));
        form->Q7->SetCalFile(dir.File("lxq745.cal"));
        form->DoCreate();
    }
    void Advance(std::int64_t ms, std::int64_t step = 1) {
        for (std::int64_t done = 0; done < ms; done += step) {
            clock.AdvanceMs(step);
            plat::comp::Application().ProcessMessages();
        }
    }
    void Type(const std::string& keys) {
        for (char c : keys) {
            const std::uint32_t vk = c == '.' ? plat::win::VK_OEM_PERIOD : c == '\n' ? plat::win::VK_RETURN
                                                                               : static_cast<std::uint32_t>(c);
            Press(vk);
        }
    }
    static void Press(std::uint32_t vk) {
        plat::win::InjectKey(vk, true);
        plat::win::InjectKey(vk, false);
        plat::comp::Application().ProcessMessages();
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::test::ScopedChannelNamespace ns{"forms"};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
    host::DeviceKinds kinds;
    host::Bus bus{[this](const std::string& kind, const std::string& id, std::string& error) {
        return kinds.Make(kind, id, error);
    }};
    host::ChannelServer server{bus};
    bool serving = false;
    std::vector<Box> boxes;
    std::unique_ptr<TQ7form> form;
};

} // namespace lxq
