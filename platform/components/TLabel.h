#pragma once
// A label: text on the parent's background, optionally sized to fit its text.

#include "platform/components/TGraphicControl.h"

namespace plat::comp {

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    const char* ClassName() const override { return "TLabel"; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout l);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;

private:
    unsigned DrawFlags() const;
    void AdjustBounds();

    TAlignment alignment_ = TAlignment::taLeftJustify;
    TTextLayout layout_ = TTextLayout::tlTop;
    bool autoSize_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
};

} // namespace plat::comp
