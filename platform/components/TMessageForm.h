#pragma once
// Message boxes: a modal dialog with an icon, the text and the buttons the flags ask for. The
// answer is the ID of the button pressed (the same numbers as the modal results); closing the
// box answers its cancel button's ID, or OK for a box with only OK.

#include <cstdint>
#include <string>

#include "platform/components/TForm.h"

namespace plat::comp {

constexpr std::uint32_t MB_OK = 0x0;
constexpr std::uint32_t MB_OKCANCEL = 0x1;
constexpr std::uint32_t MB_ABORTRETRYIGNORE = 0x2;
constexpr std::uint32_t MB_YESNOCANCEL = 0x3;
constexpr std::uint32_t MB_YESNO = 0x4;
constexpr std::uint32_t MB_RETRYCANCEL = 0x5;
constexpr std::uint32_t MB_ICONERROR = 0x10;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONWARNING = 0x30;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;
constexpr std::uint32_t MB_DEFBUTTON3 = 0x200;
constexpr std::uint32_t MB_TOPMOST = 0x40000;

constexpr int IDOK = mrOk;
constexpr int IDCANCEL = mrCancel;
constexpr int IDABORT = mrAbort;
constexpr int IDRETRY = mrRetry;
constexpr int IDIGNORE = mrIgnore;
constexpr int IDYES = mrYes;
constexpr int IDNO = mrNo;

class TMessageForm : public TForm {
public:
    TMessageForm(TComponent* owner, const std::string& text, const std::string& caption,
                 std::uint32_t flags);
    const char* ClassName() const override { return "TMessageForm"; }

    // Shows the box modally and answers the button's ID.
    int Execute();

protected:
    void Paint() override;

private:
    std::uint32_t flags_;
    int closeAnswer_ = IDCANCEL;
};

// A message box owned by nobody.
int MessageBox(const std::string& text, const std::string& caption, std::uint32_t flags);
// A message box with the application's title and an OK button.
void ShowMessage(const std::string& text);

} // namespace plat::comp
