// Seeded random texts against the INI reader and writer: no crash, and a written key reads back
// as written while every other key keeps its value. Run by scripts/fuzz-ini (not part of the
// test suite): fuzz_ini [rounds [seed]]; it stops at the first broken rule with the round and
// the seed that reproduce it.
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "settings/IniText.h"

namespace tavrel {
namespace {

using std::string;
using namespace std::string_literals;

class TextMaker {
 public:
  explicit TextMaker(std::uint32_t seed) : rng_(seed) {}
  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }
  // Mostly bytes that matter to the layout, sometimes any byte at all.
  char Byte() {
    static const string kSpecial = "[]=;\"' \t\r\n\x1a\0\xEF\xBB\xBF\xC3\xA9Ss"s;  // NUL included
    return Below(3) == 0 ? static_cast<char>(Below(256)) : kSpecial[Below(kSpecial.size())];
  }
  // A name from a small alphabet, so that names in the text and requested names collide.
  string Name() {
    string n;
    for (std::size_t i = 0, len = 1 + Below(3); i < len; ++i) n += "sSkK1 "[Below(6)];
    return n;
  }
  string Value() {
    string v;
    for (std::size_t i = 0, len = Below(12); i < len; ++i) {
      const char c = Byte();
      v += c == '\r' || c == '\n' || c == '\0' ? 'v' : c;
    }
    return v;
  }
  string Eol() { return std::vector<string>{"\n", "\r\n", "\r", "\r\r\n", ""}[Below(5)]; }
  // Plausible lines (headers, keys, comments, blanks) mixed with random bytes.
  string Text() {
    string t = Below(8) == 0 ? "\xEF\xBB\xBF" : "";
    for (std::size_t i = 0, lines = Below(25); i < lines; ++i) {
      switch (Below(6)) {
        case 0: t += string(Below(3), ' ') + "[" + Name() + "]" + Eol(); break;
        case 1:
        case 2: t += Name() + string(Below(2), ' ') + "=" + Value() + Eol(); break;
        case 3: t += ";" + Name() + "=" + Value() + Eol(); break;
        case 4: t += Name() + Eol(); break;
        default:
          for (std::size_t k = 0, len = Below(20); k < len; ++k) t += Byte();
      }
    }
    return t;
  }

 private:
  std::mt19937 rng_;
};

string Trimmed(string s) {
  const string blanks = " \t\r\n\v\f\x1a";
  s.erase(0, s.find_first_not_of(blanks));
  return s.erase(s.find_last_not_of(blanks) + 1);
}

string Lowered(string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return Trimmed(s);
}

// What any reader makes of a value stored as given: no blanks at the ends, one pair of enclosing
// quotes removed.
string AsRead(const string& value) {
  const string v = Trimmed(value);
  const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return quoted ? v.substr(1, v.size() - 2) : v;
}

bool Fail(const char* rule, long round, std::uint32_t seed) {
  std::fprintf(stderr, "fuzz_ini: %s, round %ld of seed %u\n", rule, round, seed);
  return false;
}

bool Run(long rounds, std::uint32_t seed) {
  TextMaker make(seed);
  long written = 0;
  for (long round = 0; round < rounds; ++round) {
    const string text = make.Text();
    const string section = make.Name(), key = make.Name(), value = make.Value();
    const std::size_t size = make.Below(200);
    if (ini::ReadValue(text, section, key, "dflt", size).size() > (size == 0 ? 0 : size - 1))
      return Fail("a value longer than its buffer", round, seed);

    // Another key, to check that the write leaves it alone.
    const string otherSection = make.Name(), otherKey = make.Name();
    const bool same = Lowered(otherSection) == Lowered(section) && Lowered(otherKey) == Lowered(key);
    const auto otherBefore = ini::FindValue(text, otherSection, otherKey);
    const auto out = ini::WriteValue(text, section, key, value);
    if (!out) {
      if (!Lowered(section).empty() && !Lowered(key).empty()) return Fail("a write refused", round, seed);
      continue;
    }
    ++written;
    if (ini::FindValue(*out, section, key) != AsRead(value))
      return Fail("a written value reads back otherwise", round, seed);
    if (!same && ini::FindValue(*out, otherSection, otherKey) != otherBefore)
      return Fail("a write changed another key", round, seed);
    if (out->size() > text.size() + section.size() + key.size() + value.size() + 12)
      return Fail("a write grew the text by more than its line", round, seed);
    // Any byte at all, as a binary file would hold.
    if (round % 10 == 0) {
      string bytes(make.Below(4096), '\0');
      for (char& c : bytes) c = static_cast<char>(make.Below(256));
      const auto in = ini::WriteValue(bytes, "S", "k", "isp");
      if (!in || ini::ReadValue(*in, "S", "k", "", 155) != "isp") return Fail("a binary file lost a key", round, seed);
    }
  }
  std::printf("fuzz_ini: %ld rounds of seed %u, %ld writes, no rule broken\n", rounds, seed, written);
  return true;
}

}  // namespace
}  // namespace tavrel

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::atol(argv[1]) : 20000;
  const auto seed = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : std::random_device{}());
  return tavrel::Run(rounds, seed) ? 0 : 1;
}
