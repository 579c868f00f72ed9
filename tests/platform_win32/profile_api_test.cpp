// The program's own INI reader against the platform's profile API, on the same files: the
// reader the Linux program uses must read what the Windows program reads.
#include "platform/win32/Win32Api.h"

#include <gtest/gtest.h>

#include "contracts/Contracts.h"
#include "platform/win32/Win32Profile.h"
#include "settings/IniReadCases.h"
#include "settings/IniText.h"

namespace tavrel {
namespace {

using std::string;

string ApiRead(const string& path, const string& section, const string& key, const string& def, DWORD size) {
  string buf(size, '\0');
  const DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(), size, path.c_str());
  buf.resize(n);
  return buf;
}

TEST(ProfileApi, TheProgramsReaderReadsEveryFileAsTheApiDoes) {
  contract::Scratch dir;
  const string path = dir / "Tavrel.ini";
  for (const auto& c : ini_cases::ReadCases()) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(contract::Spit(path, c.text));
    for (const DWORD size : {155u, 1000u, 4u}) {
      EXPECT_EQ(ini::ReadValue(c.text, c.section, c.key, "<default>", size),
                ApiRead(path, c.section, c.key, "<default>", size))
          << c.section << "/" << c.key << " size " << size;
    }
  }
}

TEST(ProfileApi, FilesTheApiWroteReadTheSameWithTheProgramsReader) {
  contract::Scratch dir;
  const string path = dir / "Tavrel.ini";
  Win32Profile api;
  const struct {
    const char *section, *key, *value;
  } writes[] = {{"Settings", "valA", "0"},
                {"Temp", "1", "GD"},
                {"Settings", "ConID", "My ISP"},
                {"Settings", "PWord", " spaced "},
                {"Settings", "UName", "\"q\""},
                {"Temp", "1", ""},
                {"Settings", "XfrmUpdate", "5362.5"},
                {"settings", "conid", "Other"}};
  for (const auto& w : writes) ASSERT_TRUE(api.WritePrivateProfileString(w.section, w.key, w.value, path));
  const auto text = contract::Slurp(path);
  ASSERT_TRUE(text.has_value());
  for (const auto& w : writes) {
    SCOPED_TRACE(w.key);
    EXPECT_EQ(ini::ReadValue(*text, w.section, w.key, "<default>", 155),
              api.GetPrivateProfileString(w.section, w.key, "<default>", 155, path));
  }
  EXPECT_EQ(api.GetPrivateProfileString("Settings", "ConID", "", 155, path), "Other");
  EXPECT_EQ(api.GetPrivateProfileString("Settings", "ConID", "", 0, path), "");
  EXPECT_EQ(api.GetPrivateProfileString("Settings", "ConID", "", 1, path), "");
}

}  // namespace
}  // namespace tavrel
