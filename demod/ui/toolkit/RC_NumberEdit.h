#pragma once
// A numeric entry: a value between a minimum and a maximum, shown with an optional metric prefix
// (k, M, G, T) and unit. Typed text becomes the value when the focus leaves or Enter is pressed.
// Caret, selection and clipboard work as in the edit box it is built on; an optional spinner at
// the right steps the value.

#include "demod/ui/toolkit/RC_Edit.h"
#include "demod/ui/toolkit/RC_Spinner.h"

#include <string>

class RC_NumberEdit : public RC_Edit {
public:
    // Style bits.
    static constexpr std::uint32_t kNoClamp = 0x800;
    static constexpr std::uint32_t kDecimalPoint = 0x1000;
    static constexpr std::uint32_t kSelectAllOnFocus = 0x2000;
    static constexpr std::uint32_t kLinkedSpinner = 0x4000;
    static constexpr std::uint32_t kNoHighlight = 0x8000;
    static constexpr std::uint32_t kNoBlank = 0x10000;
    static constexpr std::uint32_t kShortest = 0x20000;
    static constexpr std::uint32_t kReadOnly = 0x40000;
    static constexpr std::uint32_t kPrefixes = 0x80000;
    using ValueFn = void (*)(void* user, RC_NumberEdit* field, double value);

    RC_NumberEdit(RC_Window* parent, int x, int y, int w, int h);

    void SetValue(bool force, double v);
    double Value() const { return value_; }
    // Reads the text (with its prefix) as the value.
    void Commit();
    void SetMaximum(double v);
    void SetMinimum(double v);
    double Maximum() const { return maximum_; }
    double Minimum() const { return minimum_; }
    // The power of ten of the smallest step shown (0 = units).
    void SetResolution(int p);
    void SetStep(double v);
    void SetPixelsPerStep(int n);
    void SetStepCount(int n);
    void SetUnit(const char* unit);
    char Prefix() const { return prefix_; }
    RC_Spinner* Spinner() const { return spinner_; }

    RC_Callback<ValueFn> onValueChange;
    RC_Callback<EnterFn> onNumberEnter;

    void SetEnabled(bool enabled) override;
    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;
    int KeyEvent(int kind, std::uint32_t key) override;
    void SetFocused(int focused) override;

protected:
    bool Masked() const override { return false; }
    bool HighlightsSelection() const override { return (Style() & kNoHighlight) == 0; }
    int CaretWidth() const override { return 2; }
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;

private:
    static void SpinnerChanged(void* user, RC_Spinner* spinner, double value);
    std::string Suffix() const;
    // Width left for the number beside the spinner and the unit.
    int NumberRoom();

    double value_ = 0.0;
    int resolution_ = 0;
    double step_ = 1.0;
    int pixelsPerStep_ = 1;
    int stepCount_ = 1;
    double maximum_ = 100.0;
    double minimum_ = 0.0;
    char prefix_ = ' ';
    RC_Spinner* spinner_ = nullptr;
    RC_String unit_;
    bool rewrite_ = false; // a commit or the spinner sets the value: the text follows it
    bool shortened_ = false; // the text shows fewer decimals than the resolution asks for
    std::string shortenedText_;
};
