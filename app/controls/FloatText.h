#pragma once
// Number texts as the controls show and read them: the shortest float text, fixed patterns with
// required and optional decimals, and parsing, all with the program's decimal separator.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lxq {

// The decimal separator of the current locale settings ('.' unless the program sets another).
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Up to 15 significant digits, no trailing zeros, no exponent for everyday magnitudes.
std::string FloatToStr(double value);
// At least minDecimals and at most maxDecimals decimals, rounded (patterns like "0.00#").
std::string FormatFloat(double value, int minDecimals, int maxDecimals);
// The number a text holds (surrounding blanks allowed); nullopt when it is not one.
std::optional<double> StrToFloat(std::string_view text);

// Frequency with an automatic unit: Hz below 1,500, kHz below 1.5 MHz, MHz below 1.5 GHz, else
// GHz ("7.05 MHz", "-2.5 kHz", "1499 Hz").
std::string Freq2str(std::int64_t hz);

} // namespace lxq
