// Run and RunOnce values in the registry, written and read back through the registry itself.
// Wine starts and consumes whatever HKLM Run and RunOnce hold when a session starts, so these
// cases run only in a throw-away prefix (scratch_prefix.sh sets TAVREL_SCRATCH_PREFIX).
#include "platform/win32/Win32Api.h"

#include "platform/win32/Win32Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

namespace tavrel {
namespace {

constexpr const char* kName = "Tavrel";
constexpr const char* kCommand = "C:\\Program Files\\Tavrel\\Tavrel.exe";

struct Value {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

std::optional<Value> Read(const char* subKey, const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  Value v;
  DWORD size = 0;
  LONG r = ::RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    v.bytes.resize(size);
    r = ::RegQueryValueExA(key, name, nullptr, &v.type, v.bytes.data(), &size);
  }
  ::RegCloseKey(key);
  if (r != ERROR_SUCCESS) return std::nullopt;
  return v;
}

void Write(const char* subKey, const char* name, DWORD type, const std::vector<BYTE>& bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
  ::RegCloseKey(key);
}

std::vector<BYTE> Sz(const std::string& s) {
  std::vector<BYTE> b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TAVREL_SCRATCH_PREFIX"))
      GTEST_SKIP() << "writes HKLM Run and RunOnce: run by scratch_prefix.sh in a throw-away prefix";
    for (const char* k : {kRunKey, kRunOnceKey}) reg.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, k, kName);
  }
  void TearDown() override {
    for (const char* k : {kRunKey, kRunOnceKey}) reg.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, k, kName);
  }
  Win32Registry reg;
};

TEST_F(Registry, RunAndRunOnceRoundTripsAndAnExistingValueKeepsItsType) {
  for (const char* key : {kRunKey, kRunOnceKey}) {
    SCOPED_TRACE(key);
    EXPECT_FALSE(Read(key, kName).has_value());
    ASSERT_TRUE(reg.SetRegistryValue(HKEY_LOCAL_MACHINE_, key, kName, kCommand));
    auto v = Read(key, kName);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v->bytes, Sz(kCommand));

    reg.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, key, kName);
    EXPECT_FALSE(Read(key, kName).has_value());
    reg.DeleteRegistryValue(HKEY_LOCAL_MACHINE_, key, kName);  // missing: nothing happens
  }
  // A value there keeps its type.
  Write(kRunKey, kName, REG_EXPAND_SZ, Sz("%ProgramFiles%\\Old\\Tavrel.exe"));
  ASSERT_TRUE(reg.SetRegistryValue(HKEY_LOCAL_MACHINE_, kRunKey, kName, kCommand));
  EXPECT_EQ(Read(kRunKey, kName)->type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(Read(kRunKey, kName)->bytes, Sz(kCommand));
}

}  // namespace
}  // namespace tavrel
