#include "settings/modSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using fakes::P;

using std::string;

TEST(SettingsStore, ReadsCreateNothingTheFirstWriteCreatesAPrivateFile) {
  fakes::FakeEnv f;
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
  EXPECT_TRUE(f.fs.files.empty()) << "reads create nothing";
  f.Save("Settings", "valA", "0");
  EXPECT_TRUE(f.fs.privateFiles.count(f.IniPath())) << "the file holds the password";
  f.Save("Settings", "PWord", string(200, 'p'));
  f.Save("Temp", "1", "GD");
  f.Save("Temp", "1", "");
  EXPECT_EQ(f.IniText(), "[Settings]\r\nvalA=0\r\nPWord=" + string(200, 'p') + "\r\n[Temp]\r\n1=\r\n");
}

TEST(SettingsStore, EveryReadSeesTheFileAsItIsNowAndOtherLinesAreKept) {
  fakes::FakeEnv f;
  f.Save("Settings", "Retry", "5");
  f.fs.files[f.IniPath()] = "\xEF\xBB\xBF; mine\n[settings]\nConID = Home\nColour=blue\n\n[Temp]\n1=\n";
  EXPECT_EQ(f.Get("Settings", "ConID"), "Home");
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
  f.Save("Settings", "ConID", "Work");
  f.Save("Settings", "Retry", "3");
  EXPECT_EQ(f.IniText(), "\xEF\xBB\xBF; mine\n[settings]\nConID = Work\nColour=blue\nRetry=3\n\n[Temp]\n1=\n");
}

TEST(SettingsStore, UnreadableFileGivesDefaultsAndIsNeverOverwritten) {
  fakes::FakeEnv f;
  const string original = "[Settings]\r\nConID=Home\r\nPWord=keep me\r\n";
  f.fs.files[f.IniPath()] = original;
  f.fs.unreadable.insert(f.IniPath());
  EXPECT_EQ(f.Get("Settings", "ConID", "none"), "none");
  f.Save("Settings", "valA", "0");
  EXPECT_EQ(f.fs.files[f.IniPath()], original) << "a write must not replace what it could not read";
}

}  // namespace
}  // namespace tavrel
