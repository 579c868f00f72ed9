#include "platform/win32/Win32FileSystem.h"

#include "platform/win32/Win32Errors.h"

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace tavrel {

namespace {

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// The attributes of the item a path names, from a directory search as the program's file tests
// have always made it; nothing when there is none.
std::optional<DWORD> FoundAttributes(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return std::nullopt;
  WIN32_FIND_DATAA found{};
  const HANDLE h = ::FindFirstFileA(path.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  ::FindClose(h);
  return found.dwFileAttributes;
}

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using File = std::unique_ptr<void, HandleCloser>;

bool WriteAll(HANDLE h, std::string_view data) {
  while (!data.empty()) {
    const DWORD chunk = data.size() > 1u << 30 ? 1u << 30 : static_cast<DWORD>(data.size());
    DWORD written = 0;
    if (!::WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0) return false;
    data.remove_prefix(written);
  }
  return true;
}

// A security descriptor whose access list grants the current user alone, not inherited from the
// folder.
class PrivateSecurity {
 public:
  PrivateSecurity() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool got = size > 0 && ::GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    ::CloseHandle(token);
    if (!got) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    ok_ = ::InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) &&
          ::AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
          ::InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION) &&
          ::SetSecurityDescriptorDacl(&sd_, TRUE, acl, FALSE) &&
          ::SetSecurityDescriptorControl(&sd_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &sd_;
    attributes_.bInheritHandle = FALSE;
  }
  SECURITY_ATTRIBUTES* get() { return ok_ ? &attributes_ : nullptr; }
  bool ok() const { return ok_; }

 private:
  std::vector<BYTE> user_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR sd_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ok_ = false;
};

// A name beside path that no other call of this process uses at the same time.
std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto sep = path.find_last_of("\\/");
  const std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
  char name[64];
  ::wsprintfA(name, "~tavrel-%lu-%u.tmp", ::GetCurrentProcessId(), counter.fetch_add(1));
  return folder + name;
}

}  // namespace

bool Win32FileSystem::Failed() {
  lastFailure_ = win32errors::Last();
  return false;
}

bool Win32FileSystem::IsFolder(const std::string& path) {
  const auto a = FoundAttributes(path);
  return a && (*a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::IsOrdinaryFile(const std::string& path) {
  const auto a = FoundAttributes(path);
  return a && !(*a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0 || Failed();
}

bool Win32FileSystem::AppendFile(const std::string& path, std::string_view data) {
  const File f(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.get() == INVALID_HANDLE_VALUE) return Failed();
  return WriteAll(f.get(), data) || Failed();
}

// The pieces go one after the other through one handle: no joined copy of them is made.
bool Win32FileSystem::AppendPieces(const std::string& path, std::initializer_list<std::string_view> pieces) {
  const File f(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.get() == INVALID_HANDLE_VALUE) return Failed();
  for (const std::string_view piece : pieces)
    if (!WriteAll(f.get(), piece)) return Failed();
  return true;
}

std::optional<DiskSpace> Win32FileSystem::SpaceOf(const std::string& folder) {
  ULARGE_INTEGER available{}, total{};
  if (!::GetDiskFreeSpaceExA(folder.c_str(), &available, &total, nullptr)) {
    Failed();
    return std::nullopt;
  }
  return DiskSpace{available.QuadPart, total.QuadPart};
}

std::optional<std::string> Win32FileSystem::ReadFile(const std::string& path) {
  const File f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (f.get() == INVALID_HANDLE_VALUE) {
    Failed();
    return std::nullopt;
  }
  if (::GetFileType(f.get()) != FILE_TYPE_DISK) {  // no pipes or devices
    lastFailure_ = "not a file";
    return std::nullopt;
  }
  std::string text;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(f.get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31))
    text.reserve(static_cast<std::size_t>(size.QuadPart));
  char buf[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(f.get(), buf, sizeof buf, &n, nullptr)) {
      Failed();
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buf, n);
  }
  return text;
}

bool Win32FileSystem::ReplaceFile(const std::string& path, std::string_view data, bool privateFile) {
  if (IsFolder(path)) {
    lastFailure_ = "a folder of that name is in the way";
    return false;
  }
  PrivateSecurity security;
  if (privateFile && !security.ok()) return Failed();
  const std::string temp = TemporaryBeside(path);
  bool stored = false;
  {
    const File f(::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, privateFile ? security.get() : nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (f.get() == INVALID_HANDLE_VALUE) return Failed();
    stored = (WriteAll(f.get(), data) && ::FlushFileBuffers(f.get())) || Failed();
  }
  if (stored)
    stored =
        ::MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 || Failed();
  if (!stored) ::DeleteFileA(temp.c_str());
  return stored;
}

bool Win32FileSystem::RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0 || Failed(); }

std::string Win32FileSystem::TempFolder() {
  std::vector<char> buf(MAX_PATH + 1);
  DWORD n = ::GetTempPathA(static_cast<DWORD>(buf.size()), buf.data());
  if (n >= buf.size()) {  // longer than the usual buffer: n is the size it needs
    buf.resize(n + 1);
    n = ::GetTempPathA(static_cast<DWORD>(buf.size()), buf.data());
    if (n >= buf.size()) n = 0;
  }
  if (n == 0) Failed();
  return std::string(buf.data(), n);
}

}  // namespace tavrel
