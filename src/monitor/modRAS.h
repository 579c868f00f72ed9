// The phonebook dialler: dial an entry with a user name and password, list the entry names into
// the settings window's list, and show an entry's stored account in its two text boxes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/Env.h"

namespace tavrel::modRAS {

// The entry list of the settings window (List1). Items keep the order they were added in;
// the list index is zero-based, -1 when nothing is selected.
class IEntryList {
 public:
  virtual ~IEntryList() = default;
  virtual void AddItem(const std::string& text) = 0;  // appends at the end
  virtual int ListCount() const = 0;
  virtual int ListIndex() const = 0;
  virtual void SetListIndex(int index) = 0;  // selects that item
  virtual std::string Text() const = 0;      // the selected item's text, "" when none
};

// A one-line text box of the settings window (Text1 user name, Text2 password).
class ITextBox {
 public:
  virtual ~ITextBox() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
};

// The settings window's controls that the phonebook operations fill.
struct EntryControls {
  IEntryList& List1;
  ITextBox& Text1;  // user name
  ITextBox& Text2;  // password
};

// Copies text into a zero-filled byte field of field.size() bytes: at most size - 1 bytes are
// copied and the rest up to the second-to-last byte is zeroed; the last byte is never written.
// Returns true when the text had to be cut. Texts are passed byte for byte (the system's 8-bit
// text, UTF-8 on Linux).
bool TextToBytes(std::string_view text, std::span<char> field);
// The bytes before the first zero byte (the whole field when it holds none).
std::string BytesToText(std::span<const char> field);

// Dials the entry synchronously (bounded by the phonebook); true when the connection came up.
// Nothing is kept and nothing is hung up afterwards.
bool DialEntry(Env& env, const std::string& entryName, const std::string& userName, const std::string& password);
// The same dial, answering the phonebook's own result: 0 when the connection came up,
// kRasErrorTimeout when the attempt outlived its bound and was abandoned, another number when
// it failed.
std::uint32_t DialEntryResult(Env& env, const std::string& entryName, const std::string& userName,
                              const std::string& password);

// Appends every entry name to List1 in phonebook order; when the list then holds an item,
// selects item 0 and loads its account. At most 256 names are listed: entries beyond the 256th
// are left out (the phonebook reports them but they cannot be chosen in the list).
void ListPhonebookEntries(Env& env, EntryControls& controls);

// Fills Text1 and Text2 with the stored user name and password of the entry named by List1's
// text; when the phonebook cannot give them, both boxes keep their text.
void LoadEntryCredentials(Env& env, EntryControls& controls);

}  // namespace tavrel::modRAS
