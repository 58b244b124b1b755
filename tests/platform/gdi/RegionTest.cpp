#include "platform/gdi/Region.h"

#include <gtest/gtest.h>

#include <bitset>
#include <random>

namespace plat::gdi {
namespace {

constexpr int kGrid = 32;
using Cells = std::bitset<kGrid * kGrid>;

Cells CellsOf(const Region& r) {
    Cells c;
    for (const Rect& q : r.Rects())
        for (int y = q.top; y < q.bottom; ++y)
            for (int x = q.left; x < q.right; ++x) c.set(static_cast<std::size_t>(y * kGrid + x));
    return c;
}

Region RandomRegion(std::mt19937& rng) {
    std::uniform_int_distribution<int> coord(0, kGrid);
    std::uniform_int_distribution<int> count(0, 5);
    std::vector<Rect> rects;
    for (int i = count(rng); i > 0; --i)
        rects.push_back(Rect{coord(rng), coord(rng), coord(rng), coord(rng)}.Normalized());
    return Region::FromRects(rects);
}

// Every operation must cover exactly the cells the set operation gives, and be canonical:
// rectangles that do not overlap, sorted, so equal areas compare equal.
TEST(Region, SetOperationsMatchCellSetsOnRandomRegions) {
    std::mt19937 rng(12345);
    for (int iteration = 0; iteration < 400; ++iteration) {
        const Region a = RandomRegion(rng);
        const Region b = RandomRegion(rng);
        const Cells ca = CellsOf(a);
        const Cells cb = CellsOf(b);
        EXPECT_EQ(CellsOf(a.Union(b)), ca | cb);
        EXPECT_EQ(CellsOf(a.Intersect(b)), ca & cb);
        EXPECT_EQ(CellsOf(a.Subtract(b)), ca & ~cb);
        EXPECT_EQ(CellsOf(a.Xor(b)), ca ^ cb);
        EXPECT_EQ(a.Union(b), b.Union(a));
        std::size_t area = 0;
        const Region u = a.Union(b);
        for (const Rect& r : u.Rects()) area += static_cast<std::size_t>(r.Width() * r.Height());
        EXPECT_EQ(area, (ca | cb).count()); // no overlapping rectangles
        for (int probe = 0; probe < 20; ++probe) {
            const Point p{static_cast<int>(rng() % kGrid), static_cast<int>(rng() % kGrid)};
            EXPECT_EQ(a.Contains(p), ca.test(static_cast<std::size_t>(p.y * kGrid + p.x)));
        }
    }
}

TEST(Region, OffsetBoundsAndBandsOfAnLShape) {
    const Rect parts[] = {{0, 0, 10, 2}, {0, 2, 2, 10}};
    const Region l = Region::FromRects(parts).Offset(5, -1);
    EXPECT_EQ(l.Bounds(), (Rect{5, -1, 15, 9}));
    EXPECT_EQ(l.BandAt(0).size(), 1u);
    EXPECT_EQ(l.BandAt(0)[0], (Rect{5, -1, 15, 1}));
    EXPECT_EQ(l.BandAt(5)[0], (Rect{5, 1, 7, 9}));
    EXPECT_TRUE(l.BandAt(9).empty());
    EXPECT_TRUE(l.Contains(Rect{5, 3, 7, 9}));
    EXPECT_FALSE(l.Contains(Rect{5, 3, 8, 9}));
    EXPECT_TRUE(l.Intersects(Rect{14, 0, 20, 5}));
    EXPECT_FALSE(l.Intersects(Rect{8, 2, 20, 5}));
    EXPECT_TRUE(Region(Rect{3, 3, 3, 9}).IsEmpty());
}

TEST(Region, RowSpansMergeIntoTallRectangles) {
    const Region::RowSpan spans[] = {{2, 4}, {1, 5}, {1, 5}, {1, 5}, {2, 4}, {0, 0}};
    const Region r = Region::FromRowSpans(10, spans);
    ASSERT_EQ(r.Rects().size(), 3u);
    EXPECT_EQ(r.Rects()[1], (Rect{1, 11, 5, 14}));
}

TEST(Region, OrderedRowsGiveTheSameRegionAsAnyRectanglesAndDisorderFallsBack) {
    const Rect rows[] = {{0, 0, 2, 1}, {4, 0, 6, 1}, {0, 1, 2, 2}, {4, 1, 6, 2}, {1, 2, 5, 3}};
    EXPECT_EQ(Region::FromOrderedRows(rows), Region::FromRects(rows));
    EXPECT_EQ(Region::FromOrderedRows(rows).Rects().size(), 3u);
    const Rect messy[] = {{4, 0, 6, 1}, {0, 0, 5, 1}, {0, 3, 2, 5}};
    EXPECT_EQ(Region::FromOrderedRows(messy), Region::FromRects(messy));
}

} // namespace
} // namespace plat::gdi
