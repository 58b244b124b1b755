#pragma once
// The owner-data list box of the flat look: it holds no strings; the owner sets the number of
// rows with Count and draws them (OnDrawItem). Its shadow frame goes round the scroll bar, and it
// can take files dropped on it.

#include <memory>
#include <string>
#include <vector>

#include "platform/components/TCustomListBox.h"
#include "platform/components/TStringList.h"

namespace lxq {

// The dropped files, last dropped first. The handler may keep the list by taking it out of the
// reference; whatever the reference still holds afterwards is freed.
using TOnApiDropFiles = std::function<void(plat::comp::TObject* sender, plat::comp::TPoint p,
                                           std::unique_ptr<plat::comp::TStringList>& files)>;

class TstListBox : public plat::comp::TCustomListBox {
public:
    explicit TstListBox(plat::comp::TComponent* owner) : TCustomListBox(owner) {}
    const char* ClassName() const override { return "TstListBox"; }

    bool DefaultShadow() const { return defaultShadow_; }
    void SetDefaultShadow(bool v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int v);
    // The number of rows (the Count writer sends it on as LB_SETCOUNT).
    int Count() const { return count_; }
    void SetLength(int count);
    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool v) { acceptFiles_ = v; }
    // Files dropped at a point of the window (window coordinates), first dropped first. Taken
    // only when the list accepts files and the point lies in the client area.
    void DropFiles(plat::comp::TPoint at, const std::vector<std::string>& paths);

    TOnApiDropFiles OnApiDropFiles;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void CreateParams(plat::comp::TCreateParams& params) override;
    void PaintNonClient(plat::gdi::DC& dc) override;

private:
    void DrawLBNC(plat::gdi::DC& dc);

    bool defaultShadow_ = true;
    int shadowOffset_ = 50;
    int count_ = 0;
    bool acceptFiles_ = false;
};

} // namespace lxq
