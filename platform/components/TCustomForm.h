#pragma once
// A form: a top-level window holding controls. It can be shown modelessly or modally; a modal
// form runs its own message loop until its ModalResult is set (by code or by a button with a
// modal result), and the other forms are disabled meanwhile. Closing asks OnCloseQuery, then
// OnClose decides whether the form hides, frees itself or stays; closing the main form ends the
// application.

#include <string>

#include "platform/components/TCustomControl.h"

namespace plat::comp {

class TMainMenu;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TPosition { poDesigned, poScreenCenter, poMainFormCenter };
enum class TFormStyle { fsNormal, fsStayOnTop };

class TCustomForm : public TCustomControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    const char* ClassName() const override { return "TCustomForm"; }

    void Show();
    void Hide();
    // Runs until ModalResult is set; answers it.
    TModalResult ShowModal();
    bool Modal() const { return modalLevel_ > 0; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    void Close();
    // Asks OnCloseQuery (and the forms it owns); true when the form may close.
    virtual bool CloseQuery();
    // Frees the form once the message that is being handled is done.
    void Release();

    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Moves the focus to the next (or previous) control that takes it with Tab, in the order of
    // the controls on the form.
    void SelectNext(bool forward);
    bool Active() const { return active_; }
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool v) { keyPreview_ = v; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle s) { borderStyle_ = s; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle s) { formStyle_ = s; }
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    void SetClientSize(int width, int height);
    // A new size is first offered to OnCanResize, which may refuse it or change it.
    void SetBounds(int left, int top, int width, int height) override;

    // Raised once by the application after the form is made (CreateForm), and by Show for a form
    // made otherwise that was never shown.
    void DoCreate();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TCanResizeEvent OnCanResize;

    void WndProc(TMessage& message) override;
    // True while a form hands a key on to its focused control.
    static bool RoutingKey();

protected:
    // Where Show puts a form whose Position is not poDesigned: centred as Position asks. A form
    // that must keep clear of something on the screen places itself.
    virtual void PositionForShow() { Center(); }
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void PaintNonClient(gdi::DC& dc) override;
    TRect ClientAreaInWindow() const override;
    void Notification(TComponent* component, TOperation operation) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    // A menu shortcut, or Alt with the marked letter of a menu bar item: handled when true.
    bool IsShortCut(std::uint16_t key, TShiftState shift);
    // Enter and Escape go to the default and cancel buttons when the focus does not take them.
    virtual bool DialogKey(std::uint16_t key);
    // Offers Alt+character to the form's controls as an accelerator; true when one took it.
    bool DialogChar(char c);

private:
    friend class TWinControl;
    friend class TApplication;
    void ControlRemoved(TControl* control);
    // The window system moved the focus to a control of this form.
    void FocusArrived(TWinControl* control) { activeControl_ = control; }
    void SetActive(bool active);
    // Places the form as Position asks.
    void Center();
    // The main form's window owns this form's window from now on (unless some window does already).
    void AdoptByMainForm();
    void RouteKey(TMessage& message);
    int MenuBarHeight() const;
    TRect MenuBarOnScreen() const;

    TWinControl* activeControl_ = nullptr;
    TModalResult modalResult_ = mrNone;
    int modalLevel_ = 0;
    bool active_ = false;
    bool created_ = false;
    bool keyPreview_ = false;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    TFormStyle formStyle_ = TFormStyle::fsNormal;
    TPosition position_ = TPosition::poDesigned;
    TMainMenu* menu_ = nullptr;
};

} // namespace plat::comp
