#include "monitor/modRAS.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/IPhonebook.h"

namespace tavrel::modRAS {

bool TextToBytes(std::string_view text, std::span<char> field) {
  if (field.empty()) return !text.empty();
  const std::size_t room = field.size() - 1;
  const std::size_t n = std::min(text.size(), room);
  std::memcpy(field.data(), text.data(), n);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.begin() + static_cast<std::ptrdiff_t>(room), '\0');
  return text.size() > room;
}

std::string BytesToText(std::span<const char> field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  return std::string(field.begin(), end);
}

bool DialEntry(Env& env, const std::string& entryName, const std::string& userName, const std::string& password) {
  return DialEntryResult(env, entryName, userName, password) == 0;
}

std::uint32_t DialEntryResult(Env& env, const std::string& entryName, const std::string& userName,
                              const std::string& password) {
  RasDialParams p{};
  p.dwSize = 1052;
  TextToBytes(entryName, p.szEntryName);
  TextToBytes("", p.szPhoneNumber);
  TextToBytes("*", p.szCallbackNumber);
  TextToBytes(userName, p.szUserName);
  TextToBytes(password, p.szPassword);
  TextToBytes("*", p.szDomain);
  const std::uint32_t result = env.phonebook.RasDial(p);
  // The record held the password: do not leave it on the stack.
  std::fill(p.szPassword.begin(), p.szPassword.end(), '\0');
  return result;
}

void ListPhonebookEntries(Env& env, EntryControls& controls) {
  std::vector<RasEntryName> names(kMaxPhonebookEntries);
  names[0].dwSize = 264;
  std::uint32_t count = 0;
  env.phonebook.RasEnumEntries(names, count);  // a failure leaves the count at 0
  // A phonebook that reports more entries than the records hold lists the first 256.
  count = std::min<std::uint32_t>(count, kMaxPhonebookEntries);
  for (std::uint32_t i = 0; i < count; ++i) controls.List1.AddItem(BytesToText(names[i].szEntryName));
  if (controls.List1.ListCount() > 0) {
    controls.List1.SetListIndex(0);
    LoadEntryCredentials(env, controls);
  }
}

void LoadEntryCredentials(Env& env, EntryControls& controls) {
  RasDialParams p{};
  p.dwSize = 1052;
  TextToBytes(controls.List1.Text(), p.szEntryName);
  bool passwordSaved = false;
  if (env.phonebook.RasGetEntryDialParams(p, passwordSaved) == 0) {
    controls.Text1.SetText(BytesToText(p.szUserName));
    controls.Text2.SetText(BytesToText(p.szPassword));
  }
  std::fill(p.szPassword.begin(), p.szPassword.end(), '\0');
}

}  // namespace tavrel::modRAS
