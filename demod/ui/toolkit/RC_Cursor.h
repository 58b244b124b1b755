#pragma once
// The toolkit's own mouse cursors, made from 32 x 32 masks and shared by number: the first object
// of a number makes the system cursor, the last one destroyed lets it go. User-interface thread only.

#include "demod/dsp/RC_Object.h"
#include "platform/win/CursorApi.h"

#include <cstdint>

class RC_Cursor : public RC_Object {
public:
    // Numbers the toolkit uses.
    enum : int {
        kWidgets = 2,
        kSpinnerHorizontal = 3,
        kSpinnerVertical = 4,
        kResizeHorizontal = 5,
        kResizeVertical = 6,
        kResizeFalling = 7,
        kResizeRising = 8,
        kHand = 9,
    };
    static constexpr int kCount = 10;

    explicit RC_Cursor(int number);
    ~RC_Cursor() override;

    int Number() const { return number_; }
    // 0 for a number without a picture.
    plat::win::Hcursor Handle() const { return handle_; }

    // Users of a number right now (for tests).
    static std::uint32_t UseCount(int number);

private:
    int number_;
    plat::win::Hcursor handle_ = 0;
};

// The cursors every toolkit window may show, made once per process.
struct RC_SharedCursors {
    RC_Cursor widgets{RC_Cursor::kWidgets};
    RC_Cursor spinnerHorizontal{RC_Cursor::kSpinnerHorizontal};
    RC_Cursor spinnerVertical{RC_Cursor::kSpinnerVertical};
    RC_Cursor resizeHorizontal{RC_Cursor::kResizeHorizontal};
    RC_Cursor resizeVertical{RC_Cursor::kResizeVertical};
    RC_Cursor resizeFalling{RC_Cursor::kResizeFalling};
    RC_Cursor resizeRising{RC_Cursor::kResizeRising};
    RC_Cursor hand{RC_Cursor::kHand};
};
RC_SharedCursors& RC_GetSharedCursors();
