#pragma once
// The graph file of the spectrum graph, byte for byte: a header, one 92-byte record per line, then
// each line's samples (capacity + 1 little-endian int16 values). x86-64 is little-endian, so the
// packed records are written and read as they lie in memory.

#include <cstddef>
#include <cstdint>

namespace lxq {

inline constexpr char kGraphFileSignature[22] = "Q7 Spectrum analyzer\0";
inline constexpr int kGraphFileMaxLines = 10;

#pragma pack(push, 1)
struct GraphFileHeader {
    char signature[22];
    std::int32_t lineCount;
    std::int64_t start;
    std::int64_t stop;
    std::int64_t step;
    std::uint8_t callerBlock[32];
};

struct GraphFileLine {
    std::int32_t colour;
    std::uint8_t lineType;
    std::uint8_t unused1[3];
    std::int32_t capacity;
    std::int32_t filled;
    std::int32_t position;
    char name[32];
    char unit[32];
    std::uint32_t sampleReference; // meaningless in a file
    std::uint8_t shown;
    std::uint8_t unused2[3];
};
#pragma pack(pop)

static_assert(sizeof(GraphFileHeader) == 82);
static_assert(offsetof(GraphFileHeader, lineCount) == 22);
static_assert(offsetof(GraphFileHeader, start) == 26);
static_assert(offsetof(GraphFileHeader, stop) == 34);
static_assert(offsetof(GraphFileHeader, step) == 42);
static_assert(offsetof(GraphFileHeader, callerBlock) == 50);
static_assert(sizeof(GraphFileLine) == 92);
static_assert(offsetof(GraphFileLine, lineType) == 4);
static_assert(offsetof(GraphFileLine, capacity) == 8);
static_assert(offsetof(GraphFileLine, filled) == 12);
static_assert(offsetof(GraphFileLine, position) == 16);
static_assert(offsetof(GraphFileLine, name) == 20);
static_assert(offsetof(GraphFileLine, unit) == 52);
static_assert(offsetof(GraphFileLine, sampleReference) == 84);
static_assert(offsetof(GraphFileLine, shown) == 88);

} // namespace lxq
