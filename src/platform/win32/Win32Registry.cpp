#include "platform/win32/Win32Registry.h"

#include "platform/win32/Win32Api.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/Convert.h"
#include "platform/win32/Win32Errors.h"

namespace tavrel {

namespace {

constexpr DWORD kQueryBuffer = 1024;

// A root key given as its 32-bit handle value (HKEY_LOCAL_MACHINE is 0x80000002); on 64-bit
// Windows the predefined handles are those values sign-extended.
HKEY RootKey(std::uint32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

class Key {
 public:
  Key(std::uint32_t root, const std::string& subKey, REGSAM access) {
    error_ = ::RegOpenKeyExA(RootKey(root), subKey.c_str(), 0, access, &key_);
    if (error_ != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }
  LONG error() const { return error_; }

 private:
  HKEY key_ = nullptr;
  LONG error_ = ERROR_SUCCESS;
};

}  // namespace

std::optional<double> LeadingNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t begin = i;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - from;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return std::nullopt;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() > 0) end = i;
  }
  return convert::ToDouble(std::string_view(text).substr(begin, end - begin));
}

bool Win32Registry::Fail(std::string why) {
  lastFailure_ = std::move(why);
  return false;
}

bool Win32Registry::SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName,
                                     const std::string& data) {
  const Key key(root, subKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key.get()) return Fail(win32errors::Text(static_cast<unsigned long>(key.error())));

  std::vector<BYTE> old(kQueryBuffer, 0);
  DWORD size = kQueryBuffer;
  DWORD type = REG_NONE;
  const LONG q = ::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, old.data(), &size);
  if (q == ERROR_FILE_NOT_FOUND) {
    type = REG_SZ;
  } else if (q != ERROR_SUCCESS) {  // among others, a value of more than 1024 bytes
    return Fail("the value there is not one this program writes");
  }

  std::vector<BYTE> bytes;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    bytes.assign(data.begin(), data.end());
    bytes.push_back(0);
  } else if (type == REG_DWORD) {
    const std::optional<double> number = LeadingNumber(data);
    if (!number || *number < -2147483648.5 || *number >= 4294967295.5)  // 32 bits, signed or not
      return Fail("the value there holds a number");
    // Halves to the even neighbour (the default rounding mode).
    const auto whole = static_cast<long long>(std::nearbyint(*number));
    const auto v = static_cast<DWORD>(static_cast<std::uint32_t>(whole));
    bytes.resize(sizeof v);
    std::memcpy(bytes.data(), &v, sizeof v);
  } else {
    return Fail("the value there is not one this program writes");
  }
  const LONG w =
      ::RegSetValueExA(key.get(), valueName.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
  if (w != ERROR_SUCCESS) return Fail(win32errors::Text(static_cast<unsigned long>(w)));
  lastFailure_.clear();
  return true;
}

void Win32Registry::DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& valueName) {
  const Key key(root, subKey, KEY_SET_VALUE);
  if (key.get()) ::RegDeleteValueA(key.get(), valueName.c_str());
}

}  // namespace tavrel
