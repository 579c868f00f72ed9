#include "core/Convert.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace tavrel::convert {

std::string_view Trim(std::string_view text, std::string_view blanks) {
  const std::size_t b = text.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(blanks) - b + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::optional<double> ToDouble(std::string_view text) {
  text = Trim(text, " \t");
  if (text.empty() || text.size() > 64) return std::nullopt;

  // Validate the shape ourselves: strtod would also take hex, "inf" and "nan".
  std::size_t i = 0;
  if (text[i] == '+' || text[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  // from_chars ignores the locale: a stored "5362.5" reads the same under a decimal comma.
  double v = 0;
  const char* first = text.data();
  if (*first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

long RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double frac = v - f;
  long r = static_cast<long>(f);
  if (frac > 0.5 || (frac == 0.5 && (r % 2 != 0))) ++r;
  return r;
}

std::optional<std::int16_t> ToInt16(std::string_view text) {
  const auto d = ToDouble(text);
  if (!d) return std::nullopt;
  if (*d < -32768.5 || *d > 32767.5) return std::nullopt;
  const long r = RoundHalfEven(*d);
  if (r < -32768 || r > 32767) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

}  // namespace tavrel::convert
