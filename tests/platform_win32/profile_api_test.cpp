// The program's own INI reader against the platform's profile API, on the same files: the
// reader the Linux program uses must read what the Windows program reads.
#include "platform/win32/Win32Api.h"

#include <gtest/gtest.h>

#include "contracts/Contracts.h"
#include "platform/win32/Win32Profile.h"
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
  const string longValue(200, 'v');
  const struct {
    string text, section, key;
  } cases[] = {
      {"[settings]\r\n  conid \t=  My ISP \t\r\n", "Settings", "ConID"},
      {"[settings]\r\nconid=x\r\n", " SETTINGS ", " CONID "},
      {"[Temp]\n1=GD\n", "Settings", "Retry"},
      {"[Settings]\nRetry\n", "Settings", "Retry"},
      {"[Settings]\nRetry=\n", "Settings", "Retry"},
      {"[Settings]\nRetry =   \r\n", "Settings", "Retry"},
      {"Retry=3\n[Settings]\n", "Settings", "Retry"},
      {"[S]\nk=first\nk=second\n[s]\nk=third\n", "S", "k"},
      {"[S]\nk=1\n[s]\nonly=later\n", "S", "only"},
      {"[S]\nk\nk=2\n", "S", "k"},
      {"[A]\r\nx=1\n[S]\nk=mixed\r\n", "S", "k"},
      {"[S]\nk=last", "S", "k"},
      {"\xEF\xBB\xBF[Settings]\r\nConID=bom\r\n", "Settings", "ConID"},
      {"[S]\n;k=commented\nk=real\n", "S", "k"},
      {"[S]\n; just a remark\n", "S", "k"},
      {"  [S] ; main\nk=1\n", "S", "k"},
      {"[S]\n[T\nk=2\n", "S", "k"},
      {"[S]\ngarbage line\nk=a=b\n", "S", "k"},
      {"[S]\na=\"two words\"\n", "S", "a"},
      {"[S]\nb='single'\n", "S", "b"},
      {"[S]\nc=\"mixed'\n", "S", "c"},
      {"[S]\nd=\"\n", "S", "d"},
      {"[S]\ne=\"\"\n", "S", "e"},
      {"[S]\nf=\"\"inner\"\"\n", "S", "f"},
      {"[S]\ng=  \"  padded  \"  \n", "S", "g"},
      {"[S]\nh=x\"y\"\n", "S", "h"},
      {"[Settings]\r\nPWord=" + longValue + "\r\n", "Settings", "PWord"},
      {"[S]\nk=\"" + longValue + "\"\n", "S", "k"},
      {"[ S ]\nk=spaced header\n", "S", "k"},
      {"[S]]\nk=two brackets\n", "S]", "k"},
      {"[S] trailing\nk=after header\n", "S", "k"},
      {"\t[S]\n\tk\t=\ttabs\t\n", "S", "k"},
      {"[S]\nk = v ; not a comment\n", "S", "k"},
      {"[S]\n k k = inner blank\n", "S", "k k"},
      {"[S]\r\rk=cr only\r\n", "S", "k"},
      {"[S]\nk=\x1a\n", "S", "k"},
      {"[Settings]\nXfrmUpdate=5362.5\nYfrmUpdate=1755\n", "Settings", "YfrmUpdate"},
      {"[Temp]\n1=GD\n[Settings]\nAutoRecon=1\n", "Temp", "1"},
  };
  contract::Scratch dir;
  const string path = dir / "Tavrel.ini";
  for (const auto& c : cases) {
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
