#include "demod/ui/toolkit/RC_Cursor.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kSide = 32;
constexpr int kMaskBytes = kSide * kSide / 8;

struct CursorEntry {
    std::int32_t hotX = 16;
    std::int32_t hotY = 16;
    std::array<std::uint8_t, kMaskBytes> andMask{};
    std::array<std::uint8_t, kMaskBytes> xorMask{};
    plat::win::Hcursor shared = 0;
    std::uint32_t uses = 0;
    bool drawn = false;
};

std::array<CursorEntry, RC_Cursor::kCount>& Table() {
    static std::array<CursorEntry, RC_Cursor::kCount> table;
    return table;
}

// A double arrow along the axis u (v across it): a thin shaft with a head at each end.
bool DoubleArrow(double u, double v) {
    const double au = std::fabs(u);
    const double av = std::fabs(v);
    if (au <= 12.0 && av <= 1.0) return true;
    return au >= 7.0 && au <= 13.0 && av <= 13.0 - au;
}

// The white core of each cursor picture, around its hot spot.
bool Core(int number, int x, int y) {
    const double dx = x - 16;
    const double dy = y - 16;
    const double r = std::sqrt(0.5);
    switch (number) {
    case RC_Cursor::kWidgets:
        return (std::fabs(dx) < 1.0 && std::fabs(dy) <= 10.0 && std::fabs(dy) >= 2.0) ||
               (std::fabs(dy) < 1.0 && std::fabs(dx) <= 10.0 && std::fabs(dx) >= 2.0);
    case RC_Cursor::kSpinnerHorizontal:
    case RC_Cursor::kResizeHorizontal: return DoubleArrow(dx, dy);
    case RC_Cursor::kSpinnerVertical:
    case RC_Cursor::kResizeVertical: return DoubleArrow(dy, dx);
    case RC_Cursor::kResizeFalling: return DoubleArrow((dx + dy) * r, (dx - dy) * r);
    case RC_Cursor::kResizeRising: return DoubleArrow((dx - dy) * r, (dx + dy) * r);
    case RC_Cursor::kHand: {
        const bool finger = x >= 11 && x <= 13 && y >= 2 && y <= 14;
        const bool palm = x >= 8 && x <= 21 && y >= 13 && y <= 25 && !(x == 8 && y == 25) &&
                          !(x == 21 && y == 25);
        const bool knuckles = y == 12 && x >= 15 && x <= 20;
        return finger || palm || knuckles;
    }
    default: return false;
    }
}

void SetBit(std::array<std::uint8_t, kMaskBytes>& mask, int x, int y, bool on) {
    const int index = y * (kSide / 8) + x / 8;
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x % 8));
    if (on) {
        mask[static_cast<std::size_t>(index)] |= bit;
    } else {
        mask[static_cast<std::size_t>(index)] &= static_cast<std::uint8_t>(~bit);
    }
}

// White inside, a black outline around it, transparent elsewhere.
void Draw(int number, CursorEntry& e) {
    if (number == RC_Cursor::kHand) {
        e.hotX = 12;
        e.hotY = 2;
    }
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const bool core = Core(number, x, y);
            bool edge = false;
            for (int oy = -1; oy <= 1 && !core && !edge; ++oy) {
                for (int ox = -1; ox <= 1 && !edge; ++ox) {
                    const int nx = x + ox;
                    const int ny = y + oy;
                    edge = nx >= 0 && ny >= 0 && nx < kSide && ny < kSide && Core(number, nx, ny);
                }
            }
            SetBit(e.andMask, x, y, !core && !edge);
            SetBit(e.xorMask, x, y, core);
        }
    }
    e.drawn = true;
}

bool HasPicture(int number) { return number >= RC_Cursor::kWidgets && number <= RC_Cursor::kHand; }

} // namespace

RC_Cursor::RC_Cursor(int number) : number_(number) {
    if (!HasPicture(number)) return;
    CursorEntry& e = Table()[static_cast<std::size_t>(number)];
    if (e.shared == 0) {
        if (!e.drawn) Draw(number, e);
        e.shared = plat::win::CreateCursor(e.hotX, e.hotY, kSide, kSide, e.andMask, e.xorMask);
    }
    handle_ = e.shared;
    if (handle_ != 0) ++e.uses;
}

RC_Cursor::~RC_Cursor() {
    if (handle_ == 0) return;
    CursorEntry& e = Table()[static_cast<std::size_t>(number_)];
    if (--e.uses == 0) {
        plat::win::DestroyCursor(e.shared);
        e.shared = 0;
    }
}

std::uint32_t RC_Cursor::UseCount(int number) {
    return HasPicture(number) ? Table()[static_cast<std::size_t>(number)].uses : 0;
}

RC_SharedCursors& RC_GetSharedCursors() {
    static RC_SharedCursors cursors;
    return cursors;
}
