#include "app/forms/BandList.h"

#include <cmath>

#include "app/controls/FloatText.h"
#include "platform/sys/AtomicFile.h"

namespace lxq {
namespace {

constexpr double kHzPerMHz = 1'000'000.0;

// MHz text to whole Hz (truncated); nothing when it is not a number that fits.
std::optional<std::int64_t> MHzToHz(std::string_view text) {
    const auto mhz = StrToFloat(text);
    if (!mhz) return std::nullopt;
    const double hz = std::trunc(*mhz * kHzPerMHz);
    if (!std::isfinite(hz) || std::fabs(hz) >= 9.2e18) return std::nullopt;
    return static_cast<std::int64_t>(hz);
}

} // namespace

std::vector<TBand> ParseBands(std::string_view text) {
    std::vector<TBand> bands;
    SetDecimalSeparator('.'); // the file's numbers, and every later conversion of the run
    bool header = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (header) {
            header = false;
            continue;
        }
        const auto first = line.find(',');
        const std::string_view startText = line.substr(0, first);
        std::string_view rest = first == std::string_view::npos ? std::string_view() : line.substr(first + 1);
        const auto second = rest.find(',');
        const std::string_view stopText = rest.substr(0, second);
        std::string name(second == std::string_view::npos ? std::string_view() : rest.substr(second + 1));
        TBand band;
        const auto start = MHzToHz(startText);
        const auto stop = MHzToHz(stopText);
        if (start && stop) {
            band.start = *start;
            band.stop = *stop;
        }
        if (name.size() > 1) {
            if (name.front() == '"') name.erase(0, 1);
            if (!name.empty() && name.back() == '"') name.pop_back();
        }
        band.name = std::move(name);
        bands.push_back(std::move(band));
    }
    return bands;
}

std::vector<TBand> ReadBandFile(const std::string& path) {
    // A band plan is a few hundred lines: anything larger is no band list.
    const auto text = plat::sys::ReadWholeFile(path, plat::sys::kProfileFileLimit);
    return text ? ParseBands(*text) : std::vector<TBand>{};
}

int FindBand(const std::vector<TBand>& bands, std::int64_t f) {
    int lo = 0;
    int hi = static_cast<int>(bands.size()) - 1;
    while (lo <= hi) {
        const int m = lo + (hi - lo) / 2;
        const TBand& b = bands[static_cast<std::size_t>(m)];
        if (b.start <= f && f <= b.stop) return m;
        if (f < b.start) hi = m - 1;
        else lo = m + 1;
    }
    return -1;
}

} // namespace lxq
