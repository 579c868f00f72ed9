// Numbers kept as text, converted at the point of use the way the settings are meant to be read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tavrel::convert {

// The text without the characters of blanks at its two ends.
std::string_view Trim(std::string_view text, std::string_view blanks);
// Whether a and b are the same text when ASCII letters are compared without regard to case.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// A decimal number with optional sign, fraction and exponent, blanks around it allowed
// ("1", " 1", "01", "1.0", "-2.5e1"); nothing for any other text, an empty one included.
std::optional<double> ToDouble(std::string_view text);
// Rounds to the nearest whole number, halves to the even neighbour.
long RoundHalfEven(double v);
// ToDouble rounded half to even, when it fits a signed 16-bit integer; nothing otherwise.
std::optional<std::int16_t> ToInt16(std::string_view text);

}  // namespace tavrel::convert
