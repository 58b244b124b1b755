#pragma once
// Raster operations on native pixel values. A binary operation combines the pen (or brush) with
// the destination; a ternary one combines the brush pattern, the source and the destination.
// Both are truth tables, so every code is evaluated bit by bit the same way.

#include <cstdint>

namespace plat::gdi {

enum class Rop2 : int {
    Black = 1,
    NotMergePen = 2,
    MaskNotPen = 3,
    NotCopyPen = 4,
    MaskPenNot = 5,
    Not = 6,
    XorPen = 7,
    NotMaskPen = 8,
    MaskPen = 9,
    NotXorPen = 10,
    Nop = 11,
    MergeNotPen = 12,
    CopyPen = 13,
    MergePenNot = 14,
    MergePen = 15,
    White = 16,
};

// Ternary operations keep their classic 32-bit codes; only bits 16..23 (the truth table) count.
namespace rop3 {
constexpr std::uint32_t SrcCopy = 0x00CC0020;
constexpr std::uint32_t SrcPaint = 0x00EE0086;
constexpr std::uint32_t SrcAnd = 0x008800C6;
constexpr std::uint32_t SrcInvert = 0x00660046;
constexpr std::uint32_t SrcErase = 0x00440328;
constexpr std::uint32_t NotSrcCopy = 0x00330008;
constexpr std::uint32_t NotSrcErase = 0x001100A6;
constexpr std::uint32_t MergeCopy = 0x00C000CA;
constexpr std::uint32_t MergePaint = 0x00BB0226;
constexpr std::uint32_t PatCopy = 0x00F00021;
constexpr std::uint32_t PatPaint = 0x00FB0A09;
constexpr std::uint32_t PatInvert = 0x005A0049;
constexpr std::uint32_t DstInvert = 0x00550009;
constexpr std::uint32_t Blackness = 0x00000042;
constexpr std::uint32_t Whiteness = 0x00FF0062;
} // namespace rop3

// Result of a binary operation, limited to `mask` (the bits a pixel holds).
constexpr std::uint32_t ApplyRop2(Rop2 op, std::uint32_t pen, std::uint32_t dst,
                                  std::uint32_t mask) {
    switch (op) {
    case Rop2::CopyPen: return pen & mask;
    case Rop2::XorPen: return (pen ^ dst) & mask;
    case Rop2::MergePen: return (pen | dst) & mask;
    case Rop2::Nop: return dst & mask;
    default: break;
    }
    // Bit k of (code - 1) is the result for pen bit (k >> 1) and destination bit (k & 1).
    const auto table = static_cast<std::uint32_t>(static_cast<int>(op) - 1);
    std::uint32_t r = 0;
    if (table & 1u) r |= ~pen & ~dst;
    if (table & 2u) r |= ~pen & dst;
    if (table & 4u) r |= pen & ~dst;
    if (table & 8u) r |= pen & dst;
    return r & mask;
}

// Bit k of the table is the result for pattern bit (k >> 2), source bit ((k >> 1) & 1) and
// destination bit (k & 1).
constexpr std::uint8_t Rop3Table(std::uint32_t code) {
    return static_cast<std::uint8_t>(code >> 16);
}

constexpr bool Rop3UsesSource(std::uint8_t t) { return ((t >> 2) & 0x33u) != (t & 0x33u); }
constexpr bool Rop3UsesPattern(std::uint8_t t) { return ((t >> 4) & 0x0Fu) != (t & 0x0Fu); }

constexpr std::uint32_t ApplyRop3(std::uint8_t table, std::uint32_t pat, std::uint32_t src,
                                  std::uint32_t dst, std::uint32_t mask) {
    switch (table) {
    case 0xCC: return src & mask;
    case 0xEE: return (src | dst) & mask;
    case 0x88: return src & dst & mask;
    case 0x66: return (src ^ dst) & mask;
    case 0xF0: return pat & mask;
    case 0xAA: return dst & mask;
    default: break;
    }
    std::uint32_t r = 0;
    for (int k = 0; k < 8; ++k) {
        if (!((table >> k) & 1u)) continue;
        const std::uint32_t p = (k & 4) ? pat : ~pat;
        const std::uint32_t s = (k & 2) ? src : ~src;
        const std::uint32_t d = (k & 1) ? dst : ~dst;
        r |= p & s & d;
    }
    return r & mask;
}

} // namespace plat::gdi
