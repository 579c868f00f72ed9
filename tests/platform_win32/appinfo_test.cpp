// The program's identity on Windows: its folder and name from the module path, its version and
// company from the version resource the build puts into Tavrel.exe.
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32AppInfo.h"

#include <gtest/gtest.h>

#include "core/BuildInfo.h"
#include "platform_win32/WinPaths.h"

namespace tavrel {
namespace {

TEST(Win32AppInfo, FolderAndNameOfAnExecutablePath) {
  const struct {
    const char *path, *folder, *name;
  } cases[] = {
      {"C:\\Program Files\\Tavrel\\Tavrel.exe", "C:\\Program Files\\Tavrel", "Tavrel"},
      {"C:\\Tavrel.EXE", "C:\\", "Tavrel"},  // a drive's root keeps its separator
      {"\\\\server\\share\\tools\\tavrel.exe", "\\\\server\\share\\tools", "tavrel"},
      {"Z:\\work\\build\\my app.exe", "Z:\\work\\build", "my app"},
      {"C:\\tools\\tavrel", "C:\\tools", "tavrel"},
      {"C:\\tools\\a.exe.bak", "C:\\tools", "a.exe.bak"},
  };
  for (const auto& c : cases) {
    std::string folder, name;
    SplitExecutablePath(c.path, folder, name);
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
  }
}

TEST(Win32AppInfo, TavrelExeCarriesTheProjectsVersionAndCompany) {
  const auto v = ReadVersionResource(wintest::TavrelExe());
  ASSERT_TRUE(v.has_value()) << wintest::TavrelExe();
  EXPECT_EQ(v->major, build::kVersionMajor);
  EXPECT_EQ(v->minor, build::kVersionMinor);
  EXPECT_EQ(v->revision, build::kVersionRevision);
  EXPECT_EQ(v->company, build::kCompanyName);
  EXPECT_FALSE(ReadVersionResource(wintest::WinPath(TAVREL_BINARY_DIR "/no-such.exe")).has_value());
}

TEST(Win32AppInfo, TheRunningProgramsOwnFolderAndName) {
  const AppInfo app = Win32AppInfo();
  EXPECT_EQ(app.exeName, "test_platform_win32");
  EXPECT_EQ(app.folder, wintest::WinPath(TAVREL_BINARY_DIR "/tests/platform_win32"));
}

}  // namespace
}  // namespace tavrel
