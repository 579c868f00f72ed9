// Documents and pages handed to the shell (ShellExecuteA), which starts whatever the
// desktop associates with them: here a stand-in program that notes its command line, associated
// with a document type and a page scheme of the test's own (so that nothing reaches the machine's
// real browser) in HKEY_CLASSES_ROOT, where Wine's shell looks.
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32Shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "contracts/Contracts.h"
#include "platform_win32/WinPaths.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;

void SetDefault(const std::string& subKey, const std::string& value, const char* name = nullptr) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(key);
}

class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetEnvironmentVariableA("TAVREL_SHELL_PROBE_OUT", out.c_str());
    const std::string command = "\"" + probe + "\" \"%1\"";
    SetDefault(".tavreltest", "TavrelTest.Document");
    SetDefault("TavrelTest.Document\\shell\\open\\command", command);
    SetDefault("tavreltest", "URL:Tavrel test");
    SetDefault("tavreltest", "", "URL Protocol");
    SetDefault("tavreltest\\shell\\open\\command", command);
  }
  void TearDown() override {
    for (const char* k : {".tavreltest", "TavrelTest.Document", "tavreltest"}) ::RegDeleteTreeA(HKEY_CLASSES_ROOT, k);
    ::SetEnvironmentVariableA("TAVREL_SHELL_PROBE_OUT", nullptr);
  }
  // The lines the stand-in wrote, once there are n of them (or after a generous wait).
  std::string Lines(std::size_t n) {
    std::string text;
    for (const auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(20ms)) {
      text = contract::Slurp(out).value_or("");
      if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= n) break;
    }
    return text;
  }
  contract::Scratch dir;
  const std::string out = dir / "opened.txt";
  const std::string probe = wintest::WinPath(TAVREL_BINARY_DIR "/tests/platform_win32/shell_probe.exe");
};

TEST_F(Shell, DocumentsAndPagesGoToTheirAssociatedProgram) {
  const std::string doc = dir / "tavrel_upd.tavreltest";
  ASSERT_TRUE(contract::Spit(doc, "archive"));
  ASSERT_TRUE(win32shell::Open(doc));
  EXPECT_NE(Lines(1).find("\"" + doc + "\""), std::string::npos) << "the document, as one argument";

  ASSERT_TRUE(win32shell::Open("tavreltest://tavrel.example.org/?mode=Products&p=tavrel"));
  EXPECT_NE(Lines(2).find("tavreltest://tavrel.example.org/?mode=Products&p=tavrel"), std::string::npos);
}

}  // namespace
}  // namespace tavrel
