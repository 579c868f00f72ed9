#include "platform/linux/XdgAutostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Convert.h"
#include "platform/linux/Descriptors.h"
#include "platform/linux/LinuxFileSystem.h"

namespace tavrel {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

enum class List { kNone, kRun, kRunOnce };

List ListOf(std::uint32_t root, std::string_view subKey) {
  if (root != HKEY_LOCAL_MACHINE_) return List::kNone;
  if (convert::SameIgnoringCase(subKey, kRunKey)) return List::kRun;
  if (convert::SameIgnoringCase(subKey, kRunOnceKey)) return List::kRunOnce;
  return List::kNone;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else
      return false;
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

bool HasControl(std::string_view s) {
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Text that a desktop entry can hold as a string value: UTF-8 without control characters.
bool Writable(std::string_view s) { return !s.empty() && IsValidUtf8(s) && !HasControl(s); }

bool ValidEntryName(std::string_view name) {
  return Writable(name) && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// One argument of an Exec line as it is written in the file. Three layers, innermost first:
// the argument is put in double quotes when it holds a reserved character, with '"', '`', '$'
// and '\' escaped by a backslash inside the quotes; '%' is doubled, so that it is no field code;
// and every '\' is doubled again, because Exec is a string value of the key file.
std::string ExecArg(std::string_view arg) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted;
  if (arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos) {
    quoted += '"';
    for (char c : arg) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    quoted += '"';
  } else {
    quoted = arg;
  }
  std::string out;
  for (char c : quoted) {
    if (c == '%')
      out += "%%";
    else if (c == '\\')
      out += "\\\\";
    else
      out += c;
  }
  return out;
}

std::string ExecLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) {
    if (!line.empty()) line += ' ';
    line += ExecArg(a);
  }
  return line;
}

// The command that starts the program. The run-once entry deletes itself first; the program's
// path and the entry's path reach the shell as arguments, never as part of its script.
std::string ExecFor(List list, const std::string& program, const std::string& entryPath) {
  if (list == List::kRunOnce)
    return ExecLine({"/bin/sh", "-c", "rm -f -- \"$2\"; exec \"$1\"", "sh", program, entryPath});
  // The program named by an Exec line may not hold '='. And GLib checks that the program exists
  // before it expands "%%" to '%', so it would not find a program whose path holds '%'. Such
  // paths go through the shell, where they are arguments like any other.
  if (program.find_first_of("=%") != std::string::npos)
    return ExecLine({"/bin/sh", "-c", "exec \"$1\"", "sh", program});
  return ExecLine({program});
}

// A string value of the key file: '\' doubled, a leading blank kept with \s.
std::string StringValue(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\')
      out += "\\\\";
    else if (i == 0 && s[i] == ' ')
      out += "\\s";
    else
      out += s[i];
  }
  return out;
}

// The whole entry: a ticked box means an entry that starts the program, so whatever an earlier
// entry held (disabled with Hidden or X-GNOME-Autostart-enabled, another Type, other keys) is
// replaced.
std::string Entry(const std::string& name, const std::string& exec) {
  return std::string(kGroup) + "\nType=Application\nName=" + StringValue(name) + "\nExec=" + exec + "\n";
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;  // a relative path is to be ignored
  const std::string home = linux_platform::HomeFolder(std::getenv("HOME"));
  return home.empty() ? home : home + "/.config";
}

}  // namespace

std::string XdgAutostart::AutostartFolder() {
  std::string config = ConfigHome();
  if (config.empty()) return {};
  while (config.size() > 1 && config.back() == '/') config.pop_back();
  return config + "/autostart";
}

std::string XdgAutostart::EntryPath(std::uint32_t root, const std::string& subKey, const std::string& valueName) {
  const List list = ListOf(root, subKey);
  if (list == List::kNone || !ValidEntryName(valueName)) return {};
  const std::string folder = AutostartFolder();
  if (folder.empty()) return {};
  return folder + "/" + valueName + (list == List::kRunOnce ? "-once.desktop" : ".desktop");
}

bool XdgAutostart::SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                                    const std::string& data) {
  lastFailure_.clear();
  const std::string path = EntryPath(root, subKey, valueName);
  if (path.empty()) return Fail("there is no such start list here");
  if (!Writable(data) || !Writable(path)) return Fail("the program's path cannot be written in an autostart entry");
  // New folders are private to the user, as the base directory rules ask.
  if (!linux_platform::MakeFolders(AutostartFolder())) return Fail(AutostartFolder() + ": cannot create the folder");

  LinuxFileSystem fs;
  const std::string entry = Entry(valueName, ExecFor(ListOf(root, subKey), data, path));
  if (fs.ReadFile(path) == entry) return true;
  if (fs.ReplaceFile(path, entry, /*privateFile=*/false)) return true;
  return Fail(path + ": " + fs.LastFailure());
}

bool XdgAutostart::Fail(std::string why) {
  lastFailure_ = std::move(why);
  return false;
}

void XdgAutostart::DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName) {
  const std::string path = EntryPath(root, subKey, valueName);
  if (!path.empty()) ::unlink(path.c_str());
}

}  // namespace tavrel
