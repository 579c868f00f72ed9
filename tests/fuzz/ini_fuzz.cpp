// Seeded random texts against the INI reader and writer: no crash, no value longer than its
// buffer, and a written key reads back as it would from a file of its own while every other key
// keeps its value. Run by scripts/fuzz-ini (not part of the test suite): fuzz_ini [rounds [seed]];
// it stops at the first broken rule with the round and the seed that reproduce it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "settings/IniText.h"

namespace tavrel {
namespace {

using std::string;
using namespace std::string_literals;

std::mt19937 rng;

std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); }

// Mostly bytes that matter to the layout, sometimes any byte at all.
char Byte() {
  static const string kSpecial = "[]=;\"' \t\r\n\x1a\0\xEF\xBB\xBF\xC3\xA9Ss"s;  // NUL included
  return Below(3) == 0 ? static_cast<char>(Below(256)) : kSpecial[Below(kSpecial.size())];
}

// A name from a small alphabet, so that names in the text and requested names collide.
string Name() {
  string n;
  for (std::size_t len = 1 + Below(3); n.size() < len;) n += "sSkK1 "[Below(6)];
  return n;
}

// A name as lookups compare it: letters folded, without the blanks at its ends.
string Folded(string n) {
  for (char& c : n) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  n.erase(0, n.find_first_not_of(' '));
  return n.erase(n.find_last_not_of(' ') + 1);
}

string Value() {
  string v;
  for (std::size_t len = Below(12); v.size() < len;) v += Byte();
  std::replace_if(
      v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, 'v');
  return v;
}

// Headers, keys, comments and bare names with every kind of line end, mixed with random bytes.
string Text() {
  static const string kEol[] = {"\n", "\r\n", "\r", "\r\r\n", ""};
  string t = Below(8) == 0 ? "\xEF\xBB\xBF" : "";
  for (std::size_t lines = Below(25); lines > 0; --lines) {
    switch (Below(5)) {
      case 0: t += string(Below(3), ' ') + "[" + Name() + "]"; break;
      case 1: t += Name() + string(Below(2), ' ') + "=" + Value(); break;
      case 2: t += ";" + Name() + "=" + Value(); break;
      case 3: t += Name(); break;
      default:
        for (std::size_t k = Below(20); k > 0; --k) t += Byte();
    }
    t += kEol[Below(5)];
  }
  return t;
}

bool Run(long rounds, std::uint32_t seed) {
  rng.seed(seed);
  const auto broken = [seed](const char* rule, long round) {
    std::fprintf(stderr, "fuzz_ini: %s, round %ld of seed %u\n", rule, round, seed);
    return false;
  };
  for (long round = 0; round < rounds; ++round) {
    const string text = Text(), section = Name(), key = Name(), value = Value();
    const std::size_t size = Below(200);
    if (ini::ReadValue(text, section, key, "dflt", size).size() > (size == 0 ? 0 : size - 1))
      return broken("a value longer than its buffer", round);
    const string otherSection = Name(), otherKey = Name();
    const auto otherBefore = ini::FindValue(text, otherSection, otherKey);
    const auto out = ini::WriteValue(text, section, key, value);
    if (!out) {
      if (!Folded(section).empty() && !Folded(key).empty()) return broken("a write refused", round);
      continue;
    }
    if (ini::FindValue(*out, section, key) != ini::FindValue(*ini::WriteValue("", section, key, value), section, key))
      return broken("a written value reads back otherwise", round);
    const bool same = Folded(otherSection) == Folded(section) && Folded(otherKey) == Folded(key);
    if (!same && ini::FindValue(*out, otherSection, otherKey) != otherBefore)
      return broken("a write changed another key", round);
  }
  std::printf("fuzz_ini: %ld rounds of seed %u, no rule broken\n", rounds, seed);
  return true;
}

}  // namespace
}  // namespace tavrel

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::atol(argv[1]) : 20000;
  const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : std::random_device{}());
  return tavrel::Run(rounds, seed) ? 0 : 1;
}
