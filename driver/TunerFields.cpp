#include "driver/TunerFields.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

namespace lxq::driver {
namespace {

struct FieldSpan {
    std::size_t offset;
    std::size_t size;
};

constexpr FieldSpan kSpans[kTunerFieldCount] = {
    {offsetof(TunerState, mainControl), 4},    {offsetof(TunerState, mainFraction), 4},
    {offsetof(TunerState, secondControl), 4},  {offsetof(TunerState, secondFraction), 4},
    {offsetof(TunerState, gain), 4},           {offsetof(TunerState, gain) + 4, 4},
    {offsetof(TunerState, referenceSelect), 1}, {offsetof(TunerState, bandWord), 2},
    {offsetof(TunerState, dwell), 1},          {offsetof(TunerState, preselector), 1},
    {offsetof(TunerState, rangeControl), 1},
};

} // namespace

FieldMask DifferentFields(const TunerState& a, const TunerState& b) {
    const auto* pa = reinterpret_cast<const std::uint8_t*>(&a);
    const auto* pb = reinterpret_cast<const std::uint8_t*>(&b);
    FieldMask mask = 0;
    for (std::size_t f = 0; f < kTunerFieldCount; ++f)
        if (std::memcmp(pa + kSpans[f].offset, pb + kSpans[f].offset, kSpans[f].size) != 0)
            mask = static_cast<FieldMask>(mask | 1u << f);
    return mask;
}

void CopyFields(TunerState& to, const TunerState& from, FieldMask fields) {
    auto* pt = reinterpret_cast<std::uint8_t*>(&to);
    const auto* pf = reinterpret_cast<const std::uint8_t*>(&from);
    for (std::size_t f = 0; f < kTunerFieldCount; ++f)
        if ((fields & 1u << f) != 0) std::memcpy(pt + kSpans[f].offset, pf + kSpans[f].offset, kSpans[f].size);
}

std::uint8_t CardStrobeMask(FieldMask written) {
    auto any = [written](std::initializer_list<TunerField> fields) {
        for (TunerField f : fields)
            if ((written & Bit(f)) != 0) return true;
        return false;
    };
    std::uint8_t mask = 0;
    if (any({TunerField::MainControl, TunerField::MainFraction, TunerField::Band, TunerField::RangeControl,
             TunerField::Preselector, TunerField::Dwell}))
        mask = 15;
    if (any({TunerField::SecondControl, TunerField::SecondFraction})) mask |= 9;
    if (any({TunerField::Gain16, TunerField::Gain20, TunerField::Reference})) mask |= 1;
    return mask;
}

} // namespace lxq::driver
