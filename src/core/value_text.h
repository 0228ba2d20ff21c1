// Value texts of the value boxes, the TLM report and the CSV file.
//
//   FormatTwoDecimals(2.675, '.') -> "2.68"    (-0.001) -> "0.00"   (1e20) -> "100000000000000000000.00"
//   FormatWhole(12.5) -> "12"   FormatHex(4660) -> "&H1234"   FormatDuration(93784) -> "1d 02:03:04"
//   DisplayText(0, 4.0) -> "norm"   DisplayText(8, 2.0) -> "fix SW PPT"   DisplayText(0, 3.0) -> "3"
//   DisplayText(8, 0.000239) -> "0.000239"   DisplayText(8, 1.5, ',') -> "1,5"   DisplayText(0, 1e20) -> "1e+20"
//   Non-finite values read "NaN", "Inf", "-Inf" under every rule.
#pragma once

#include <cstdint>
#include <string>

namespace tavro {

// "0.00": the value rounded to 15 significant digits (as %.15g), then that
// decimal number to two decimals with halves away from zero; zero has no sign.
std::string FormatTwoDecimals(double value, char decimalSeparator);

// Appends the same text (two_decimals.h writes it into a buffer).
void AppendTwoDecimals(std::string& out, double value, char decimalSeparator);

// The exact double rounded to a whole number, halves to even, never "-0";
// not limited to 32 bits.
std::string FormatWhole(double value);

// "&H" and the rounded value in upper-case hex; negative values in 32-bit
// (or, below that, 64-bit) two's complement as a 32-bit "Hex" would show them.
std::string FormatHex(double value);

// Day count, "d " and a zero-padded clock; the clock is never negative:
// -1 -> "-1d 23:59:59".
std::string FormatDuration(std::int64_t seconds);

// A mode value outside its list, as C's %.15g writes it, with the separator
// put in: 3 -> "3", 0.000239 -> "0.000239", 1e20 -> "1e+20".
std::string FormatModeValue(double value, char decimalSeparator);

// The text of channel's value box for this value, by the channel's rule.
std::string DisplayText(int channel, double value, char decimalSeparator);

// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC,
// LANG, the first that is set): '.' or ','.
char DecimalSeparatorFromEnvironment();

}  // namespace tavro
