#include <gtest/gtest.h>

#include "demod/ui/toolkit/RC_Brush.h"
#include "demod/ui/toolkit/RC_Cursor.h"
#include "demod/ui/toolkit/RC_Font.h"
#include "demod/ui/toolkit/RC_Pen.h"
#include "platform/win/CursorApi.h"

namespace {

struct Counter {
    int calls = 0;
    static void Fn(void* user, void*) { ++static_cast<Counter*>(user)->calls; }
};

TEST(RC_DrawObjectsTest, EqualFontsShareOneObjectAndAChangedOneGetsItsOwn) {
    const std::size_t before = RC_Font::CachedCount();
    RC_Font a, b;
    const plat::gdi::Font* fa = a.GetHandle();
    EXPECT_EQ(b.GetHandle(), fa);
    EXPECT_EQ(RC_Font::CachedCount(), before + 1);
    Counter changed;
    a.SetChangeCallback({&Counter::Fn, &changed});
    a.SetHeight(-20);
    EXPECT_EQ(changed.calls, 1);
    EXPECT_FALSE(a.HoldsHandle()) << "the changed record let its font go";
    const plat::gdi::Font* fa2 = a.GetHandle();
    EXPECT_NE(fa2, fa);
    EXPECT_EQ(fa2->Desc().height, -20);
    EXPECT_EQ(b.GetHandle(), fa) << "the other control keeps its font";
    EXPECT_EQ(fa->Desc().height, -11);
    EXPECT_EQ(fa->Desc().face, "Arial");
}

TEST(RC_DrawObjectsTest, ReleasingTheLastUserRemovesOnlyItsEntry) {
    const std::size_t before = RC_Pen::CachedCount();
    RC_Pen red, green, blue;
    red.SetColour(0x0000FF);
    green.SetColour(0x00FF00);
    blue.SetColour(0xFF0000);
    const auto* r = red.GetHandle();
    const auto* g = green.GetHandle();
    const auto* b = blue.GetHandle();
    EXPECT_EQ(RC_Pen::CachedCount(), before + 3);
    green.Release();
    EXPECT_EQ(RC_Pen::CachedCount(), before + 2);
    EXPECT_EQ(red.GetHandle(), r);
    EXPECT_EQ(blue.GetHandle(), b);
    EXPECT_EQ(b->colour, 0xFF0000u) << "later entries keep their objects";
    (void)g;
}

TEST(RC_DrawObjectsTest, SettingTheCurrentValueKeepsTheHandle) {
    RC_Brush brush;
    Counter changed;
    brush.SetChangeCallback({&Counter::Fn, &changed});
    const auto* h = brush.GetHandle();
    EXPECT_EQ(h->colour, 0xC0C0C0u);
    brush.SetColour(0xC0C0C0);
    brush.SetStyle(0);
    EXPECT_EQ(changed.calls, 0);
    EXPECT_EQ(brush.GetHandle(), h);
    // Without a handle a change calls nobody.
    RC_Pen pen;
    Counter penChanged;
    pen.SetChangeCallback({&Counter::Fn, &penChanged});
    pen.SetWidth(3);
    EXPECT_EQ(penChanged.calls, 0);
    EXPECT_EQ(pen.GetHandle()->width, 3);
}

TEST(RC_DrawObjectsTest, FaceNamesAreCutToStayTerminated) {
    RC_Font f;
    f.SetFaceName("An extremely long face name that goes on and on");
    EXPECT_EQ(std::string(f.Desc().faceName).size(), 31u);
    EXPECT_EQ(f.GetHandle()->Desc().face.size(), 31u);
}

TEST(RC_CursorTest, CursorsOfOneNumberShareOneSystemCursor) {
    const std::uint32_t before = RC_Cursor::UseCount(RC_Cursor::kResizeFalling);
    plat::win::Hcursor shared = 0;
    {
        RC_Cursor a(RC_Cursor::kResizeFalling);
        RC_Cursor b(RC_Cursor::kResizeFalling);
        ASSERT_NE(a.Handle(), 0u);
        EXPECT_EQ(a.Handle(), b.Handle());
        EXPECT_EQ(RC_Cursor::UseCount(RC_Cursor::kResizeFalling), before + 2);
        shared = a.Handle();
        plat::win::CursorImage image;
        ASSERT_TRUE(plat::win::GetCursorImage(shared, &image));
        EXPECT_EQ(image.width, 32);
        EXPECT_EQ(image.hotX, 16);
        EXPECT_EQ(image.hotY, 16);
    }
    EXPECT_EQ(RC_Cursor::UseCount(RC_Cursor::kResizeFalling), before);
    if (before == 0) {
        plat::win::CursorImage image;
        EXPECT_FALSE(plat::win::GetCursorImage(shared, &image)) << "the last user destroyed it";
    }
    RC_Cursor unknown(42);
    EXPECT_EQ(unknown.Handle(), 0u);
}

} // namespace
