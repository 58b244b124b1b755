#pragma once
// The owner-data list box of the flat look: it holds no strings; the owner sets the number of
// rows with Count and draws them (OnDrawItem). Its shadow frame goes round the scroll bar, and it
// can take files dropped on it.

#include <memory>
#include <string>
#include <vector>

#include "app/controls/ShadowFramed.h"
#include "platform/components/TCustomListBox.h"
#include "platform/components/TStringList.h"

namespace lxq {

// The dropped files, last dropped first. The handler may keep the list by taking it out of the
// reference; whatever the reference still holds afterwards is freed.
using TOnApiDropFiles = std::function<void(plat::comp::TObject* sender, plat::comp::TPoint p,
                                           std::unique_ptr<plat::comp::TStringList>& files)>;

class TstListBox : public ShadowFramed<plat::comp::TCustomListBox> {
public:
    explicit TstListBox(plat::comp::TComponent* owner) : ShadowFramed(owner) {}
    const char* ClassName() const override { return "TstListBox"; }

    // The number of rows (the Count writer sends it on as LB_SETCOUNT).
    int Count() const { return count_; }
    void SetLength(int count);
    // Registers the list's window as a target for files dropped on it.
    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool v);

    TOnApiDropFiles OnApiDropFiles;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void CreateParams(plat::comp::TCreateParams& params) override;
    void PaintNonClient(plat::gdi::DC& dc) override;

private:
    // Files dropped in the client area reach OnApiDropFiles; the drop is always released.
    void DropFiles(std::uint32_t drop);

    int count_ = 0;
    bool acceptFiles_ = false;
};

} // namespace lxq
