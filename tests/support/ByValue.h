#pragma once
// A field of a packed record, compared by value: the assertion macros take their arguments by
// reference, and a reference bound to a field that the packing leaves misaligned is undefined
// behaviour (UndefinedBehaviorSanitizer stops the test on it).

namespace lxq_test {

template <typename T>
constexpr T ByValue(T value) {
    return value;
}

} // namespace lxq_test
