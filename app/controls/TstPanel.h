#pragma once
// The bevelled panel with a caption, which can enable and disable its children with itself.

#include "app/controls/TstCustomPanel.h"

namespace lxq {

class TstPanel : public TstCustomPanel {
public:
    explicit TstPanel(plat::comp::TComponent* owner);
    const char* ClassName() const override { return "TstPanel"; }

    bool Abbreviate() const { return abbreviate_; }
    void SetAbbreviate(bool v);
    plat::comp::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(plat::comp::TAlignment v);
    int Indent() const { return indent_; }
    void SetIndent(int v);
    plat::comp::TTextLayout Layout() const { return layout_; }
    void SetLayout(plat::comp::TTextLayout v);
    // With Enable4All, enabling or disabling the panel does the same to every child whose Tag is
    // not negative.
    bool Enable4All() const { return enable4All_; }
    void SetEnable4All(bool v) { enable4All_ = v; }

    void SetEnabled(bool enabled) override;

protected:
    void Paint() override;

private:
    bool abbreviate_ = false;
    plat::comp::TAlignment alignment_ = plat::comp::TAlignment::taCenter;
    int indent_ = 0;
    plat::comp::TTextLayout layout_ = plat::comp::TTextLayout::tlCenter;
    bool enable4All_ = true;
};

// DrawText flags for a single line placed by alignment and layout.
unsigned SingleLineFlags(plat::comp::TAlignment alignment, plat::comp::TTextLayout layout,
                         bool abbreviate);

} // namespace lxq
