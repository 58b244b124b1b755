#pragma once
// Helpers for tests of controls and forms: input as the window system would deliver it, a fake
// clock, and a script that acts on modal forms from the idle loop, with a limit that fails a test
// instead of letting it hang.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/components/TApplication.h"
#include "platform/components/TApplicationEvents.h"
#include "platform/components/TCustomForm.h"
#include "platform/components/TWinControl.h"
#include "platform/sys/Clock.h"

namespace plat::comp::test {

class UiTest : public ::testing::Test {
protected:
    UiTest() { Application().ResetTerminated(); }
    ~UiTest() override { Application().ResetTerminated(); }

    sys::FakeClock clock_;
    sys::ScopedClock scopedClock_{clock_};
};

// Mouse down and up at a point of the control (its own client coordinates), delivered the way
// the window system does: a graphic control's messages go through its parent.
inline void ClickAt(TControl* c, int x, int y, std::uintptr_t keys = 0) {
    TControl* target = c;
    int px = x, py = y;
    if (!dynamic_cast<TWinControl*>(c)) {
        target = c->Parent();
        px += c->Left();
        py += c->Top();
    }
    target->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON | keys, win::MakeLParam(px, py));
    target->Perform(win::WM_LBUTTONUP, keys, win::MakeLParam(px, py));
}

inline void Click(TControl* c) { ClickAt(c, c->ClientWidth() / 2, c->ClientHeight() / 2); }

inline void Key(TWinControl* c, std::uint16_t key) {
    c->Perform(win::WM_KEYDOWN, key, 0);
    c->Perform(win::WM_KEYUP, key, 0);
}

inline void Type(TWinControl* c, const std::string& text) {
    for (char ch : text) c->Perform(win::WM_CHAR, static_cast<unsigned char>(ch), 0);
}

// The innermost modal form, or null.
inline TCustomForm* TopModal() {
    TCustomForm* top = nullptr;
    for (TCustomForm* f : Application().Forms())
        if (f->Modal() && f->Visible()) top = f;
    return top;
}

// Runs one step for each modal form that comes up, from the idle loop, in order. A step that
// never comes, or a loop that never ends, fails the test after `limit` idle passes.
class ModalScript {
public:
    using Step = std::function<void(TCustomForm& form)>;
    explicit ModalScript(int limit = 1000) : events_(new TApplicationEvents(nullptr)), limit_(limit) {
        events_->OnIdle = [this](TObject*, bool& done) {
            done = false;
            if (++passes_ > limit_) {
                ADD_FAILURE() << "modal script: no progress after " << limit_ << " idle passes";
                if (TCustomForm* f = TopModal()) f->SetModalResult(mrAbort);
                return;
            }
            TCustomForm* f = TopModal();
            if (!f || steps_.empty() || f == last_) return;
            last_ = f;
            Step step = std::move(steps_.front());
            steps_.pop_front();
            step(*f);
        };
    }
    ~ModalScript() { delete events_; }
    ModalScript& Then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    bool Done() const { return steps_.empty(); }
    // A step may leave the same form up for the next step (after a nested form went away).
    void Again() { last_ = nullptr; }

private:
    TApplicationEvents* events_;
    std::deque<Step> steps_;
    TCustomForm* last_ = nullptr;
    int limit_;
    int passes_ = 0;
};

// The first control of a class with this caption under a parent, depth first.
template <typename T>
T* FindByCaption(TWinControl& parent, const std::string& caption) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        if (auto* t = dynamic_cast<T*>(c); t && c->Caption() == caption) return t;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (T* found = FindByCaption<T>(*w, caption)) return found;
    }
    return nullptr;
}

template <typename T>
T* FindFirst(TWinControl& parent) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        TControl* c = parent.Controls(i);
        if (auto* t = dynamic_cast<T*>(c)) return t;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (T* found = FindFirst<T>(*w)) return found;
    }
    return nullptr;
}

} // namespace plat::comp::test
