#pragma once
// The integer entry field: a 32-bit signed value with optional limits, shown in decimal or
// upper-case hexadecimal. Only digits and a minus sign (and a to f in hexadecimal) can be typed;
// Enter or leaving the field commits, Escape restores; the owner may refuse a new value before
// it is taken.

#include <cstdint>
#include <functional>
#include <string>

#include "app/controls/TstAlignEdit.h"

namespace lxq {

// Raised before Value changes; setting allow to false refuses the new value.
using TOnChanging = std::function<void(plat::comp::TObject* sender, int value, bool& allow)>;
// Parses the text of a hexadecimal field into val.
using TOnTranslate =
    std::function<void(plat::comp::TObject* sender, const std::string& text, int& val)>;

class TstIntEdit : public TstAlignEdit {
public:
    explicit TstIntEdit(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TstIntEdit"; }

    int Value() const { return value_; }
    void SetValue(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    int Min() const { return min_; }
    void SetMin(int v);
    int UndefValue() const { return undefValue_; }
    void SetUndefValue(int v);
    bool DisplayUndefValueText() const { return displayUndefValueText_; }
    void SetDisplayUndefValueText(bool v);
    const std::string& UndefValueText() const { return undefValueText_; }
    void SetUndefValueText(const std::string& v);
    bool UpdateOnExit() const { return updateOnExit_; }
    void SetUpdateOnExit(bool v) { updateOnExit_ = v; }
    bool Hexadecimal() const { return hexadecimal_; }
    void SetHexa(bool v);
    // Receives the keyboard focus after a value was set while this field had it.
    plat::comp::TWinControl* ExitControl() const { return exitControl_; }
    void SetExitControl(plat::comp::TWinControl* c) { exitControl_ = c; }

    plat::comp::TNotifyEvent OnValueChange;
    TOnChanging OnValueChanging;
    TOnTranslate OnTranslate;

protected:
    void KeyDown(std::uint16_t& key, plat::comp::TShiftState shift) override;
    void KeyPress(char& key) override;
    void DoExit() override;

private:
    // Takes the typed text as the new value.
    void Commit();
    // Leaving the field: commits, or with UpdateOnExit false puts the text of Value back.
    void WMKillFocus();
    std::string TextOf(int v) const;

    plat::comp::TWinControl* exitControl_ = nullptr;
    int value_ = 0;
    int max_ = 0;
    int min_ = 0;
    int undefValue_ = 0;
    bool displayUndefValueText_ = false;
    std::string undefValueText_;
    bool updateOnExit_ = true;
    bool hexadecimal_ = false;
};

} // namespace lxq
