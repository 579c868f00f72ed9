#include "core/Convert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>

namespace tavrel::convert {
namespace {

// Numbers in settings: as the C locale writes them, whatever the user's locale; 16-bit whole
// numbers round halves to the even neighbour (also below zero) and refuse what does not fit.
TEST(SettingNumbers, ReadAsTheMonitorNeedsThem) {
  const std::pair<const char*, std::optional<double>> doubles[] = {
      {"01", 1.0}, {" 1 ", 1.0}, {"1.0", 1.0}, {"-2.5e1", -25.0}, {"+5362.5", 5362.5},
      {"", {}},    {" ", {}},    {"abc", {}},  {"1x", {}},        {"0x10", {}},
      {"inf", {}}, {"nan", {}},  {"1e", {}},   {".", {}},         {"+", {}}};
  for (const auto& [text, value] : doubles) EXPECT_EQ(ToDouble(text), value) << text;
  const std::pair<const char*, std::optional<std::int16_t>> shorts[] = {
      {"2.5", 2},         {"3.5", 4},    {"-2.5", -2},    {"2.4999", 2}, {"32767", 32767},
      {"-32768", -32768}, {"32768", {}}, {"32767.5", {}}, {"1e9", {}}};
  for (const auto& [text, value] : shorts) EXPECT_EQ(ToInt16(text), value) << text;

  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(ToDouble("5362.5"), 5362.5) << "a decimal comma locale";
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace tavrel::convert
