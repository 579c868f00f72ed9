// Reading and editing the text of a profile ("INI") file, with the platform's profile-file rules.
//
// Layout: lines end with LF, CR LF or a CR alone, as the platform's profile functions read them.
// A line whose first non-blank character is '[' and that holds a ']' is a section header; the
// name is what lies between that '[' and the last ']', without blanks around it. Any other non-blank line is a key
// line: the key is the text before the first '=', the value the text after it, both without surrounding blanks. A key
// line without '=' names a key that has no value. Lines before the first header belong to no section. A UTF-8
// byte-order mark at the very start is skipped. Blanks are space, tab, CR, LF, VT, FF and Ctrl-Z (the old end-of-file
// mark).
//
// Lookups: section and key names are compared without regard to ASCII letter case, after the
// blanks around the requested names are dropped. Only the first section of a name counts and,
// within it, the first line of the key: later duplicates are neither read nor written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavrel::ini {

// The value of key in section as stored: nothing when the section or the key is missing or the
// key's line has no '='. The value ends at a NUL byte, if any; one pair of matching enclosing
// quotation marks (" or ') is removed.
std::optional<std::string> FindValue(std::string_view text, std::string_view section, std::string_view key);

// What a profile read hands back: the value, or defaultValue when FindValue finds nothing; cut to
// at most bufferSize - 1 bytes without splitting a UTF-8 sequence (empty when bufferSize is 0).
std::string ReadValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t bufferSize);

// The text with key in section set to value, every other byte kept:
// - an existing key's value is replaced in place (the first line of the key in the first
//   section of the name);
// - a missing key is added after the last non-blank line of its section;
// - a missing section is added at the end of the text;
// - new lines end like the text's first line (CR LF when the text has no line end yet).
// The value is stored as given; like any value it reads back without the blanks at its ends and
// without one pair of enclosing quotation marks. Nothing is returned, and nothing should be stored, when a name is
// empty, a name or the value holds CR, LF or NUL, the key holds '=' or begins with '['.
std::optional<std::string> WriteValue(std::string_view text, std::string_view section, std::string_view key,
                                      std::string_view value);

}  // namespace tavrel::ini
