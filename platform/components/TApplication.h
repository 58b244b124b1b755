#pragma once
// The application object: the forms of the program, the message loop with its idle handler and
// message hook, minimize and restore. One per process, on the user-interface thread.
//
// The loop: take a message; if there is none, call the idle handlers with Done = true; when they
// leave Done true, wait for the next message, otherwise call them again at once.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/components/TApplicationHandlers.h"
#include "platform/components/TComponent.h"
#include "platform/components/Events.h"
#include "platform/components/Types.h"
#include "platform/win/MessageLoop.h"
#include "platform/win/Types.h"

namespace plat::comp {

class TCustomForm;
class TApplicationEvents;
class TControl;
class THintWindow;
class TTimer;

class TApplication : public TComponent, public TApplicationHandlers {
public:
    // The process's application, made on first use.
    static TApplication& Instance();
    // Frees the application and the forms it owns (the program's last step).
    static void ShutDown();
    const char* ClassName() const override { return "TApplication"; }

    // Makes a form the application's: the first becomes the main form; OnCreate is raised.
    template <typename Form, typename... Args>
    Form* CreateForm(Args&&... args) {
        auto* form = new Form(this, std::forward<Args>(args)...);
        AddForm(form);
        return form;
    }
    void AddForm(TCustomForm* form);
    TCustomForm* MainForm() const { return mainForm_; }
    void SetMainForm(TCustomForm* form) { mainForm_ = form; }
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool v) { showMainForm_ = v; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }

    // Shows the main form and runs the loop until Terminate (or WM_QUIT).
    void Run();
    // One pass: handle one message, or go idle.
    void HandleMessage();
    // Handles every message waiting, without going idle.
    void ProcessMessages();
    // Handles one waiting message; false when none was waiting.
    bool ProcessMessage();
    // A nested loop that runs until `finished` answers true; false when the application was
    // terminated first.
    bool RunModal(const std::function<bool()>& finished);
    // A request from outside to end the program (a stop signal), whatever box or menu shows: the
    // modal loops running now end as cancelled (RunModal answers false) and none runs from then
    // on, so the main window's close goes through. The main loop runs on.
    void CancelModalLoops();
    bool ModalLoopsCancelled() const { return modalsCancelled_; }
    // The request was refused (the main window would not close): boxes and menus open again.
    void ResumeModalLoops() { modalsCancelled_ = false; }
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Clears the terminated state (a program that runs its loop again, and tests).
    void ResetTerminated();

    void Minimize();
    void Restore();
    bool Minimized() const { return minimized_; }

    // Hints: a control with ShowHint and a hint shows it in a hint window once the mouse rested
    // on it for HintPause; the window goes after HintHidePause, a click, a key or a move away.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v);
    std::uint32_t HintPause() const { return hintPause_; }
    void SetHintPause(std::uint32_t ms) { hintPause_ = ms; }
    std::uint32_t HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(std::uint32_t ms) { hintHidePause_ = ms; }
    // The hint window while a hint shows, else null.
    THintWindow* ActiveHint() const;
    void CancelHint();

    // Every form alive, in the order they were made.
    const std::vector<TCustomForm*>& Forms() const { return forms_; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCustomForm;
    friend class TApplicationEvents;
    TApplication();
    ~TApplication() override;
    // Raises the idle handlers; true when all of them are done.
    bool DoIdle();
    bool DoMessage(win::Msg& msg);
    void TrackHint(const win::Msg& msg);
    // Every set of handlers: the application's own first, then each events component's.
    std::vector<TApplicationHandlers*> AllHandlers();
    void HintTimerFired();
    void MakeLoop();
    void RegisterForm(TCustomForm* form);
    void UnregisterForm(TCustomForm* form);

    TCustomForm* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    bool minimized_ = false;
    std::string title_;
    std::vector<TCustomForm*> forms_;
    std::vector<TApplicationEvents*> listeners_;
    std::unique_ptr<win::MessageLoop> loop_;
    bool modalsCancelled_ = false;
    bool showHint_ = true;
    std::uint32_t hintPause_ = 500;
    std::uint32_t hintHidePause_ = 2500;
    TControl* hintControl_ = nullptr; // the control under the mouse
    TPoint hintCursor_{};             // screen point of the last move
    THintWindow* hintWindow_ = nullptr;
    TTimer* hintTimer_ = nullptr;
};

// The application, as the classic global.
inline TApplication& Application() { return TApplication::Instance(); }

} // namespace plat::comp
