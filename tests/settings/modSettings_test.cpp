#include "settings/modSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "fakes/FakeEnv.h"

namespace tavrel {
namespace {

using std::string;

TEST(IniFilePath, TitleWithBlanksAndRootFolder) {
  fakes::FakeEnv f;
  EXPECT_EQ(modSettings::IniFilePath(f.env), "/app/Tavrel.ini");
  f.env.app.title = "My  Dial App";
  EXPECT_EQ(modSettings::IniFilePath(f.env), "/app/My__Dial_App.ini");
  f.env.app.folder = "/";
  EXPECT_EQ(modSettings::IniFilePath(f.env), "/My__Dial_App.ini") << "one separator at the root";
}

TEST(SettingsStore, FirstStartGivesEachCallersDefaultAndReadsCreateNothing) {
  fakes::FakeEnv f;
  EXPECT_EQ(f.Get("Settings", "AutoRecon", "1"), "1");
  EXPECT_EQ(f.Get("Settings", "AutoRecon", "0"), "0");
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
  EXPECT_EQ(f.Get("Settings", "ConID", ""), "");
  EXPECT_EQ(f.Get("Temp", "1", ""), "");
  EXPECT_TRUE(f.fs.files.empty());
}

TEST(SettingsStore, FirstWriteCreatesAPrivateFileThatLaterWritesEdit) {
  fakes::FakeEnv f;
  f.Save("Settings", "valA", "0");
  EXPECT_EQ(f.IniText(), "[Settings]\r\nvalA=0\r\n");
  EXPECT_TRUE(f.fs.privateFiles.count(f.IniPath())) << "the file holds the password";
  f.Save("Settings", "ConID", "My ISP");
  f.Save("Settings", "UName", "bob");
  f.Save("Settings", "PWord", "s3cret pass");
  f.Save("Temp", "1", "GD");
  f.Save("Settings", "ConID", "Other ISP");
  EXPECT_EQ(f.IniText(),
            "[Settings]\r\nvalA=0\r\nConID=Other ISP\r\nUName=bob\r\nPWord=s3cret pass\r\n"
            "[Temp]\r\n1=GD\r\n");
  EXPECT_EQ(f.Get("Settings", "PWord"), "s3cret pass");
  EXPECT_EQ(f.Get("settings", "conid"), "Other ISP") << "names match without regard to case";
}

TEST(SettingsStore, EmptyValueReadsBackEmptyNotTheDefault) {
  fakes::FakeEnv f;
  f.Save("Temp", "1", "GD");
  f.Save("Temp", "1", "");
  EXPECT_EQ(f.Get("Temp", "1", "not empty"), "");
  EXPECT_EQ(f.IniText(), "[Temp]\r\n1=\r\n");
}

TEST(SettingsStore, LongValueComesBackCutTo154Characters) {
  fakes::FakeEnv f;
  const string value(200, 'p');
  f.Save("Settings", "PWord", value);
  EXPECT_EQ(f.Get("Settings", "PWord"), value.substr(0, 154));
  EXPECT_NE(f.IniText().find(value), string::npos) << "the file keeps the whole value";
}

TEST(SettingsStore, EveryReadSeesTheFileAsItIsNow) {
  fakes::FakeEnv f;
  f.Save("Settings", "Retry", "5");
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
  f.fs.files[f.IniPath()] = "[Settings]\nRetry = 7\n";  // changed behind the program's back
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "7");
  f.fs.files.erase(f.IniPath());
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
}

TEST(SettingsStore, FileFromAnotherEditorKeepsItsOtherLines) {
  fakes::FakeEnv f;
  const string byHand =
      "\xEF\xBB\xBF; my settings\n[settings]\nConID = Home\nColour=blue\n\n[Temp]\n1=\n";
  f.fs.files[f.IniPath()] = byHand;
  EXPECT_EQ(f.Get("Settings", "ConID"), "Home");
  f.Save("Settings", "ConID", "Work");
  f.Save("Settings", "Retry", "3");
  EXPECT_EQ(f.IniText(),
            "\xEF\xBB\xBF; my settings\n[settings]\nConID = Work\nColour=blue\nRetry=3\n\n"
            "[Temp]\n1=\n");
}

TEST(SettingsStore, UnreadableFileGivesDefaultsAndIsNeverOverwritten) {
  fakes::FakeEnv f;
  const string original = "[Settings]\r\nConID=Home\r\nPWord=keep me\r\n";
  f.fs.files[f.IniPath()] = original;
  f.fs.unreadable.insert(f.IniPath());
  EXPECT_EQ(f.Get("Settings", "ConID", "none"), "none");
  f.Save("Settings", "valA", "0");
  EXPECT_EQ(f.fs.files[f.IniPath()], original) << "a write must not replace what it could not read";
  EXPECT_FALSE(f.log.Has("ReplaceFile " + f.IniPath()));

  // Readable again: everything is still there.
  f.fs.unreadable.clear();
  EXPECT_EQ(f.Get("Settings", "PWord"), "keep me");
}

TEST(SettingsStore, FolderInPlaceOfTheFileIsLeftAlone) {
  fakes::FakeEnv f;
  f.fs.MakeFolders(f.IniPath());
  f.Save("Settings", "valA", "0");
  EXPECT_FALSE(f.log.Has("ReplaceFile " + f.IniPath()));
  EXPECT_EQ(f.Get("Settings", "valA", "d"), "d");
}

TEST(SettingsStore, WriteInAReadOnlyFolderIsLostSilently) {
  fakes::FakeEnv f;
  f.fs.readOnly = true;
  f.Save("Settings", "ConID", "My ISP");
  EXPECT_TRUE(f.fs.files.empty());
  EXPECT_EQ(f.Get("Settings", "ConID", ""), "");
  EXPECT_EQ(f.Get("Settings", "Retry", "5"), "5");
}

TEST(SettingsStore, ValueThatCannotBeStoredChangesNothing) {
  fakes::FakeEnv f;
  f.Save("Settings", "UName", "bob");
  const string before = f.IniText();
  f.Save("Settings", "UName", "line\r\nbreak");
  EXPECT_EQ(f.IniText(), before);
  EXPECT_EQ(f.Get("Settings", "UName"), "bob");
  EXPECT_FALSE(f.profile.WritePrivateProfileString("Settings", "UName", "a\nb", f.IniPath()));
  EXPECT_TRUE(f.profile.WritePrivateProfileString("Settings", "UName", " spaced ", f.IniPath()));
  EXPECT_EQ(f.Get("Settings", "UName"), "spaced") << "a value reads back without its end blanks";
}

}  // namespace
}  // namespace tavrel
