#pragma once
// The picture of one band's preselector table on the service window: eight nodes {frequency,
// value 0..255} across the plot, the points the user marked, and the rules by which a press
// and a drag move a node or the receiver's own frequency and filter value.

#include <array>
#include <cstdint>
#include <vector>

#include "api/DeviceControl.h"

namespace lxq {

using FilterNodes = std::array<FILTER_NODE, kFilterNodesPerBand>;

class FilterMap {
public:
    static constexpr std::size_t kMaxPoints = 255;
    static constexpr int kGrab = 5; // pixels around a node or the marker that take a press

    FilterNodes nodes{};
    std::vector<FILTER_NODE> points; // marked by the user, at most kMaxPoints

    void SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint32_t First() const { return nodes.front().hz; }
    std::uint32_t Last() const { return nodes.back().hz; }
    int X(std::int64_t hz) const;
    int Y(std::int64_t value) const;
    // The frequency under x, rounded to the nearest whole MHz.
    std::int64_t FrequencyAt(int x) const;
    // False once the list is full.
    bool AddPoint(const FILTER_NODE& p);

    struct Drag {
        enum class Kind { None, Node, Marker } kind = Kind::None;
        int node = -1;
        bool frequency = false; // the marker: moves in frequency
        bool value = false;     // the marker: moves in value
        int pressX = 0, pressY = 0;
        FILTER_NODE start{};
    };
    // A left press: a node within kGrab pixels in x and y, else the marker within kGrab in x
    // (frequency), in y (value) or both.
    Drag Press(int x, int y, const FILTER_NODE& marker) const;
    // Where the dragged thing goes with the pointer at (x, y). A node's value follows the
    // pointer up and down within 0..255; the inner nodes also move in frequency, in whole MHz,
    // staying 1 MHz clear of their neighbours. The marker stays within First() + 1 .. Last().
    FILTER_NODE Move(const Drag& drag, int x, int y) const;

private:
    std::int64_t Span() const;
    int width_ = 1, height_ = 1;
};

} // namespace lxq
