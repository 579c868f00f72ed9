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

}  // namespace
}  // namespace tavrel
