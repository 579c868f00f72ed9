#include "platform/win32/Win32Phonebook.h"

#include <raserror.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace tavrel {

namespace {

// Copies a zero-terminated byte field into one of another size, cut (and terminated) when it
// does not fit; the rest is zeroed.
template <std::size_t To, std::size_t From>
void CopyField(char (&to)[To], const std::array<char, From>& from) {
  const std::size_t n = ::strnlen(from.data(), From);
  const std::size_t len = std::min(n, To - 1);
  std::memcpy(to, from.data(), len);
  std::memset(to + len, 0, To - len);
}
template <std::size_t To, std::size_t From>
void CopyField(std::array<char, To>& to, const char (&from)[From]) {
  const std::size_t n = ::strnlen(from, From);
  const std::size_t len = std::min(n, To - 1);
  std::memcpy(to.data(), from, len);
  std::fill(to.begin() + static_cast<std::ptrdiff_t>(len), to.end(), '\0');
}

void ToNative(const RasDialParams& p, RASDIALPARAMSA& n) {
  std::memset(&n, 0, sizeof n);
  n.dwSize = sizeof n;
  CopyField(n.szEntryName, p.szEntryName);
  CopyField(n.szPhoneNumber, p.szPhoneNumber);
  CopyField(n.szCallbackNumber, p.szCallbackNumber);
  CopyField(n.szUserName, p.szUserName);
  CopyField(n.szPassword, p.szPassword);
  CopyField(n.szDomain, p.szDomain);
}

// One dial on its helper thread. Shared by the thread and the caller: either may be the last
// to let go of it.
struct Dial {
  RASDIALPARAMSA params{};
  HRASCONN handle = nullptr;  // written by RasDialA, possibly before it returns
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool abandoned = false;
  DWORD result = 0;
};

}  // namespace

Win32Phonebook::Win32Phonebook(Win32PhonebookOptions options, RasApi api) : options_(options), api_(api) {}

void Win32Phonebook::HangUp(HRASCONN handle, const char* entryName) {
  std::vector<HRASCONN> handles;
  if (handle) handles.push_back(handle);
  // The handle reaches the caller only as RasDialA sees fit; an attempt that has not published
  // it yet is found among the active connections by its entry's name.
  std::vector<RASCONNA> conns(16);
  conns[0].dwSize = sizeof(RASCONNA);
  DWORD cb = static_cast<DWORD>(conns.size() * sizeof(RASCONNA));
  DWORD count = 0;
  if (api_.enumConnections(conns.data(), &cb, &count) == 0) {
    for (DWORD i = 0; i < count && i < conns.size(); ++i)
      if (std::strcmp(conns[i].szEntryName, entryName) == 0 &&
          std::find(handles.begin(), handles.end(), conns[i].hrasconn) == handles.end())
        handles.push_back(conns[i].hrasconn);
  }
  for (HRASCONN h : handles) api_.hangUp(h);
  // The platform asks that the state machine be given time to let the connection go.
  const auto end = std::chrono::steady_clock::now() + options_.hangUpWait;
  for (HRASCONN h : handles) {
    for (;;) {
      RASCONNSTATUSA status{};
      status.dwSize = sizeof status;
      if (api_.connectStatus(h, &status) == ERROR_INVALID_HANDLE) break;
      if (std::chrono::steady_clock::now() >= end) break;
      ::Sleep(50);
    }
  }
}

std::uint32_t Win32Phonebook::RasDial(const RasDialParams& params) {
  if (*stuck_) return ERROR_DIAL_ALREADY_IN_PROGRESS;
  auto dial = std::make_shared<Dial>();
  ToNative(params, dial->params);
  const RasApi api = api_;
  try {
    std::thread([dial, api, stuck = stuck_] {
      const DWORD r = api.dial(nullptr, nullptr, &dial->params, 0, nullptr, &dial->handle);
      ::SecureZeroMemory(dial->params.szPassword, sizeof dial->params.szPassword);
      bool abandoned;
      HRASCONN handle;
      {
        std::lock_guard lock(dial->m);
        handle = dial->handle;
        dial->result = r;
        dial->done = true;
        abandoned = dial->abandoned;
      }
      dial->cv.notify_one();
      // A failed attempt still holds the platform's resources until its handle is hung up; an
      // abandoned one was hung up by the caller already.
      if (r != 0 && handle && !abandoned) api.hangUp(handle);
      if (abandoned) *stuck = false;
    }).detach();
  } catch (const std::system_error&) {
    ::SecureZeroMemory(dial->params.szPassword, sizeof dial->params.szPassword);
    return ERROR_NOT_ENOUGH_MEMORY;
  }

  HRASCONN handle = nullptr;
  {
    std::unique_lock lock(dial->m);
    if (dial->cv.wait_for(lock, options_.dialTimeout, [&] { return dial->done; })) return dial->result;
    dial->abandoned = true;
    *stuck_ = true;  // before the thread can see `abandoned`
    handle = static_cast<HRASCONN>(
        ::InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&dial->handle), nullptr, nullptr));
  }
  HangUp(handle, dial->params.szEntryName);
  return kRasErrorTimeout;
}

std::uint32_t Win32Phonebook::RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) {
  count = 0;
  std::vector<RASENTRYNAMEA> names(std::max<std::size_t>(entries.size(), 1));
  DWORD total = 0;
  DWORD r = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD cb = static_cast<DWORD>(names.size() * sizeof(RASENTRYNAMEA));
    total = 0;
    r = api_.enumEntries(nullptr, nullptr, names.data(), &cb, &total);
    if (r != ERROR_BUFFER_TOO_SMALL || cb <= names.size() * sizeof(RASENTRYNAMEA)) break;
    names.resize(cb / sizeof(RASENTRYNAMEA) + 1);  // room for all, to list the first ones
  }
  if (r != 0) return r;
  const DWORD n = std::min<DWORD>(total, static_cast<DWORD>(std::min(entries.size(), names.size())));
  for (DWORD i = 0; i < n; ++i) CopyField(entries[i].szEntryName, names[i].szEntryName);
  count = n;
  return total > entries.size() ? ERROR_BUFFER_TOO_SMALL : 0;
}

std::uint32_t Win32Phonebook::RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) {
  RASDIALPARAMSA n;
  ToNative(params, n);
  BOOL saved = FALSE;
  const DWORD r = api_.getEntryDialParams(nullptr, &n, &saved);
  if (r == 0) {
    CopyField(params.szPhoneNumber, n.szPhoneNumber);
    CopyField(params.szCallbackNumber, n.szCallbackNumber);
    CopyField(params.szUserName, n.szUserName);
    CopyField(params.szPassword, n.szPassword);
    CopyField(params.szDomain, n.szDomain);
    passwordSaved = saved != FALSE;
  }
  ::SecureZeroMemory(n.szPassword, sizeof n.szPassword);
  return r;
}

}  // namespace tavrel
