#include "settings/IniText.h"

#include <algorithm>

#include "core/Convert.h"

namespace tavrel::ini {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kNone = std::string_view::npos;

constexpr std::string_view kBlanks{" \t\r\n\v\f\x1a", 7};

bool IsBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

std::string_view Trim(std::string_view s) { return convert::Trim(s, kBlanks); }

bool SameName(std::string_view a, std::string_view b) { return convert::SameIgnoringCase(a, b); }

std::size_t BodyStart(std::string_view text) {
  return text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
}

// Where the search for a key ended. Positions are offsets into the text.
struct Match {
  bool sectionFound = false;
  // After the last non-blank line of the section (its header when it has no other line), and
  // whether that line ends with LF (only the file's last line may not).
  std::size_t sectionEnd = 0;
  bool sectionEndTerminated = true;

  bool keyFound = false;
  std::size_t keyBegin = 0;    // first non-blank character of the key's line
  std::size_t nameEnd = 0;     // end of the key's name, without blanks
  std::size_t equals = kNone;  // the first '=', or none
  std::size_t valueBegin = 0;  // value without surrounding blanks: [valueBegin, valueEnd)
  std::size_t valueEnd = 0;
};

// One pass over the text, line by line; every byte is looked at a bounded number of times.
Match Find(std::string_view text, std::string_view section, std::string_view key) {
  Match m;
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty()) return m;

  bool inSection = false;
  std::size_t pos = BodyStart(text);
  while (pos < text.size()) {
    // A line ends at LF, CR LF or a CR alone.
    const std::size_t lineEnd = std::min(text.find_first_of("\r\n", pos), text.size());
    const bool terminated = lineEnd < text.size();
    std::size_t next = terminated ? lineEnd + 1 : text.size();
    if (terminated && text[lineEnd] == '\r' && next < text.size() && text[next] == '\n') ++next;

    std::size_t b = pos;
    std::size_t e = lineEnd;
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    const std::string_view line = text.substr(b, e - b);
    pos = next;
    if (line.empty()) continue;

    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != kNone) {
        if (inSection) break;  // the first section of the name ends here
        if (SameName(Trim(line.substr(1, close - 1)), section)) {
          inSection = m.sectionFound = true;
          m.sectionEnd = next;
          m.sectionEndTerminated = terminated;
        }
        continue;
      }
    }
    if (!inSection) continue;

    m.sectionEnd = next;
    m.sectionEndTerminated = terminated;
    const std::size_t eq = line.find('=');
    const std::string_view name = Trim(line.substr(0, eq));
    if (!SameName(name, key)) continue;

    m.keyFound = true;
    m.keyBegin = b;
    m.nameEnd = b + name.size();
    if (eq != kNone) {
      m.equals = b + eq;
      m.valueBegin = m.equals + 1;
      while (m.valueBegin < e && IsBlank(text[m.valueBegin])) ++m.valueBegin;
      m.valueEnd = e;
    }
    break;
  }
  return m;
}

bool HasLineBreakOrNul(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != kNone; }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool EnclosedInQuotes(std::string_view s) {
  return s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front();
}

// The line end new lines get: that of the text's first line, CR LF for a text without one.
std::string_view LineEnd(std::string_view text) {
  const std::size_t lf = text.find('\n');
  if (lf == kNone || (lf > 0 && text[lf - 1] == '\r')) return "\r\n";
  return "\n";
}

// The value value as a view into the text (see FindValue).
std::optional<std::string_view> FindView(std::string_view text, std::string_view section, std::string_view key) {
  const Match m = Find(text, section, key);
  if (!m.keyFound || m.equals == kNone) return std::nullopt;
  std::string_view value = text.substr(m.valueBegin, m.valueEnd - m.valueBegin);
  value = value.substr(0, value.find('\0'));
  if (EnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::optional<std::string> FindValue(std::string_view text, std::string_view section, std::string_view key) {
  const std::optional<std::string_view> value = FindView(text, section, key);
  if (!value) return std::nullopt;
  return std::string(*value);
}

std::string ReadValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  const std::optional<std::string_view> found = FindView(text, section, key);
  const std::string_view value = found ? *found : defaultValue;
  if (value.size() <= bufferSize - 1) return std::string(value);

  std::size_t cut = bufferSize - 1;
  // When the cut falls inside a UTF-8 sequence, cut before the sequence's first byte instead.
  if (IsContinuation(value[cut])) {
    for (std::size_t back = 1; back <= 3 && back <= cut; ++back) {
      const auto c = static_cast<unsigned char>(value[cut - back]);
      if (IsContinuation(value[cut - back])) continue;
      const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (back < length) cut -= back;
      break;
    }
  }
  return std::string(value.substr(0, cut));
}

std::optional<std::string> WriteValue(std::string_view text, std::string_view section, std::string_view key,
                                      std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreakOrNul(section) || HasLineBreakOrNul(key) ||
      HasLineBreakOrNul(value) || key.find('=') != kNone || key.front() == '[')
    return std::nullopt;

  const std::string_view eol = LineEnd(text);
  const Match m = Find(text, section, key);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

  if (m.keyFound) {
    // Replace only the value; the key as spelled in the file, its indentation, the blanks around
    // '=' and the line end stay.
    if (m.equals != kNone) {
      out.append(text.substr(0, m.valueBegin));
      out.append(value);
      out.append(text.substr(m.valueEnd));
    } else {
      out.append(text.substr(0, m.nameEnd));
      out += '=';
      out.append(value);
      out.append(text.substr(m.nameEnd));
    }
    return out;
  }

  std::string line;
  line.reserve(key.size() + value.size() + 3);
  line.append(key);
  line += '=';
  line.append(value);
  line.append(eol);

  if (m.sectionFound) {
    out.append(text.substr(0, m.sectionEnd));
    if (!m.sectionEndTerminated) out.append(eol);
    out.append(line);
    out.append(text.substr(m.sectionEnd));
    return out;
  }

  out.append(text);
  if (text.size() > BodyStart(text) && text.back() != '\n') out.append(eol);
  out += '[';
  out.append(section);
  out += ']';
  out.append(eol);
  out.append(line);
  return out;
}

}  // namespace tavrel::ini
