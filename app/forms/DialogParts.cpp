#include "app/forms/DialogParts.h"

#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TLabel.h"

namespace lxq {

using namespace plat::comp;

TControl* PlaceLabel(TComponent* owner, TWinControl* parent, int x, int y, int w, const std::string& caption) {
    auto* l = Place<TLabel>(owner, parent, x, y, w, 16);
    l->SetCaption(caption);
    return l;
}

TstSpeedButton* PlaceButton(TComponent* owner, TWinControl* parent, int x, int y, int w, const std::string& caption) {
    auto* b = Place<TstSpeedButton>(owner, parent, x, y, w, 24);
    b->SetCaption(caption);
    return b;
}

TstListBox* PlaceRowList(TComponent* owner, TWinControl* parent, int x, int y, int w, int h, int rowHeight) {
    auto* list = Place<TstListBox>(owner, parent, x, y, w, h);
    list->SetStyle(TListBoxStyle::lbVirtualOwnerDraw);
    list->SetItemHeight(rowHeight);
    return list;
}

} // namespace lxq
