#pragma once
// A front panel on the demonstration receiver for tests of its dialogs and loops: a fresh
// documents folder, the fake clock, message boxes recorded and answered from a queue (No when
// it is empty), and helpers that fill the memory list and drive the store dialog.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/forms/TMemoryForm.h"
#include "app/forms/TQ7form.h"
#include "app/receiver/MainThread.h"
#include "platform/components/TApplication.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/Clock.h"
#include "tests/platform/components/UiTest.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq::test {

using namespace plat::comp;
using plat::comp::test::ModalScript;

struct Box {
    std::string text;
    std::string caption;
    std::uint32_t flags;
};

inline TMemoryRecord Channel(std::int32_t number, std::int64_t hz) {
    TMemoryRecord r = NewMemoryRecord();
    r.number = number;
    r.frequency = hz;
    return r;
}

class DemoPanel : public ::testing::Test {
protected:
    DemoPanel() {
        RecordMainThread();
        setenv("XDG_DOCUMENTS_DIR", dir.Path().c_str(), 1);
        std::filesystem::current_path(dir.Path());
        Application().ResetTerminated();
    }
    ~DemoPanel() override {
        form.reset();
        std::filesystem::current_path(startFolder);
        unsetenv("XDG_DOCUMENTS_DIR");
        Application().ResetTerminated();
    }
    void StartPanel(std::vector<std::string> args = {"/sd"}) {
        form = std::make_unique<TQ7form>(nullptr, std::move(args));
        form->ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t f) {
            boxes.push_back({t, c, f});
            if (answers.empty()) return IDNO;
            const int a = answers.front();
            answers.pop_front();
            return a;
        };
        form->DoCreate();
        ASSERT_FALSE(form->Quitting());
        boxes.clear();
    }
    TMemoryRecord& Add(TMemoryRecord r) {
        form->Memories().push_back(std::make_unique<TMemoryRecord>(r));
        return *form->Memories().back();
    }
    // Opens the store dialog on a list entry (or a new channel) and runs the steps on it.
    int Edit(int row, std::vector<std::function<void(TMemoryForm&)>> steps) {
        ModalScript script;
        for (auto& step : steps) script.Then([step](TCustomForm& f) { step(static_cast<TMemoryForm&>(f)); });
        TMemoryForm& dialog = *form->MemoryForm;
        dialog.SetMemoryList(form->Memories(), form->HotkeyUsed());
        TMemoryRecord fresh = Channel(0, 7'000'000);
        fresh.hotkey = 1; // as the store button makes it: the dialog offers a free hotkey
        const int result = row < 0 ? dialog.ShowEntry(std::make_unique<TMemoryRecord>(fresh))
                                   : dialog.ShowEntry(*form->Memories()[static_cast<std::size_t>(row)], row);
        EXPECT_TRUE(script.Done());
        return result;
    }
    std::vector<std::int32_t> Numbers() {
        std::vector<std::int32_t> n;
        for (const auto& r : form->Memories()) n.push_back(r->number);
        return n;
    }

    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped{clock};
    plat::sys::testing::TempFolder dir;
    std::filesystem::path startFolder = std::filesystem::current_path();
    std::vector<Box> boxes;
    std::deque<int> answers;
    std::unique_ptr<TQ7form> form;
};

} // namespace lxq::test
