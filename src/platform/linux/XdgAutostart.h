// The start lists on a Linux desktop: entries in the user's XDG autostart folder.
//
// HKEY_LOCAL_MACHINE_ with kRunKey, value V   -> <autostart>/V.desktop, started at every logon.
// HKEY_LOCAL_MACHINE_ with kRunOnceKey, value V -> <autostart>/V-once.desktop, which deletes itself
//                                                 and then starts the program: once, at the next
//                                                 logon.
// <autostart> is $XDG_CONFIG_HOME/autostart, by default ~/.config/autostart, taken from the
// environment at each call. The machine-wide lists map to the user's own folder: a desktop session
// starts its user's entries, while the machine-wide folder (/etc/xdg/autostart) would need root
// and would start the program for every user. Other roots and keys do not exist here.
//
// The data is the program's path: one argument, which the entry quotes so that any path (blanks,
// quotes, '%', '\', '$', '`') reaches the program unchanged. Writing writes the whole entry anew
// (an application, enabled), whatever an earlier entry of that name held.
#pragma once

#include <string>

#include "core/IRegistry.h"

namespace tavrel {

class XdgAutostart : public IRegistry {
 public:
  // False when the key does not exist here, the value name cannot name an entry file, the path
  // cannot be written in an entry (empty, not UTF-8, control characters) or the entry could not
  // be stored (the folder cannot be created or written).
  bool SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                        const std::string& data) override;
  std::string LastFailure() const override { return lastFailure_; }
  // Deletes the entry; a missing entry or folder is no error.
  void DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName) override;

  // The autostart folder from the current environment, or empty when no home is known.
  static std::string AutostartFolder();
  // The entry file that stands for the value, or empty when there is none.
  static std::string EntryPath(std::uint32_t root, const std::string& subKey, const std::string& valueName);

 private:
  bool Fail(std::string why);
  std::string lastFailure_;
};

}  // namespace tavrel
