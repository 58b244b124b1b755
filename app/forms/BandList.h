#pragma once
// The named frequency bands of "bands.csv": a header line, then "start MHz,stop MHz,name" lines
// in ascending order. The tuning display shows the name of the band a frequency lies in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lxq {

// A band of the band list: inclusive bounds in Hz and its name.
struct TBand {
    std::int64_t start = 0;
    std::int64_t stop = 0;
    std::string name;
};

// The bands of the file's text, in file order. A line whose start or stop is not a number
// gives a band 0..0 with its name.
std::vector<TBand> ParseBands(std::string_view text);

// The bands of a file; none when it cannot be read.
std::vector<TBand> ReadBandFile(const std::string& path);

// Index of the band holding f in a list sorted by start, -1 when none does.
int FindBand(const std::vector<TBand>& bands, std::int64_t f);

} // namespace lxq
