#pragma once
// Building blocks of the front panel's dialogs: labels, captioned buttons and row lists placed
// on their parent.

#include <string>

#include "app/forms/PlaceControl.h"
#include "platform/components/TControl.h"
#include "platform/components/TWinControl.h"

namespace lxq {

class TstListBox;
class TstSpeedButton;

// A label with its caption, 16 pixels high.
plat::comp::TControl* PlaceLabel(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y,
                                 int w, const std::string& caption);
// A speed button with a caption, 24 pixels high.
TstSpeedButton* PlaceButton(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y, int w,
                            const std::string& caption);
// A list box that holds no rows itself: the owner sets their number and draws them.
TstListBox* PlaceRowList(plat::comp::TComponent* owner, plat::comp::TWinControl* parent, int x, int y, int w, int h,
                         int rowHeight);

} // namespace lxq
