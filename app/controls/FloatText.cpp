#include "app/controls/FloatText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lxq {
namespace {

char g_separator = '.';

std::string WithSeparator(std::string text) {
    for (char& c : text)
        if (c == '.') c = g_separator;
    return text;
}

// |hz| without overflow for the most negative value.
std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

} // namespace

char DecimalSeparator() { return g_separator; }
void SetDecimalSeparator(char separator) { g_separator = separator; }

std::string FloatToStr(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::string text = buf;
    if (text == "-0") text = "0";
    return WithSeparator(text);
}

std::string FormatFloat(double value, int minDecimals, int maxDecimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", maxDecimals, value);
    std::string text = buf;
    if (maxDecimals > minDecimals) {
        const std::size_t point = text.find('.');
        std::size_t keep = point + 1 + static_cast<std::size_t>(minDecimals);
        std::size_t end = text.size();
        while (end > keep && text[end - 1] == '0') --end;
        if (end == point + 1) end = point; // no decimals left: no separator either
        text.resize(end);
    }
    // A value that rounds to zero shows no sign.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return WithSeparator(text);
}

std::optional<double> StrToFloat(std::string_view text) {
    std::string s(text);
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    s = s.substr(first, s.find_last_not_of(" \t") - first + 1);
    // Only the program's separator counts as a decimal point.
    for (char& c : s) {
        if (c == '.' && g_separator != '.') return std::nullopt;
        if (c == g_separator) c = '.';
    }
    if (s.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string Freq2str(std::int64_t f) {
    const std::uint64_t m = Magnitude(f);
    const double v = static_cast<double>(f);
    if (m < 1'500) return FloatToStr(v) + " Hz";
    if (m < 1'500'000) return FloatToStr(v / 1e3) + " kHz";
    if (m < 1'500'000'000) return FloatToStr(v / 1e6) + " MHz";
    return FloatToStr(v / 1e9) + " GHz";
}

} // namespace lxq
