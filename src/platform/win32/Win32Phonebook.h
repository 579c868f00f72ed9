// The phonebook on Windows: the Remote Access Service's default phonebook (RasEnumEntriesA,
// RasGetEntryDialParamsA) and its synchronous dial (RasDialA), bounded in time.
//
// The behaviour's records carry the sizes of the 32-bit records (1052 and 264 bytes); the
// native records of this build differ (1068 and 532 bytes on x64), so every call fills a native
// record field by field and copies the answers back the same way.
#pragma once

#include "platform/win32/Win32Api.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "core/IPhonebook.h"

namespace tavrel {

// The Remote Access calls the phonebook makes; tests give stand-ins.
struct RasApi {
  DWORD(WINAPI* dial)(LPRASDIALEXTENSIONS, LPCSTR, LPRASDIALPARAMSA, DWORD, LPVOID, LPHRASCONN) = ::RasDialA;
  DWORD(WINAPI* hangUp)(HRASCONN) = ::RasHangUpA;
  DWORD(WINAPI* connectStatus)(HRASCONN, LPRASCONNSTATUSA) = ::RasGetConnectStatusA;
  DWORD(WINAPI* enumConnections)(LPRASCONNA, LPDWORD, LPDWORD) = ::RasEnumConnectionsA;
  DWORD(WINAPI* enumEntries)(LPCSTR, LPCSTR, LPRASENTRYNAMEA, LPDWORD, LPDWORD) = ::RasEnumEntriesA;
  DWORD(WINAPI* getEntryDialParams)(LPCSTR, LPRASDIALPARAMSA, LPBOOL) = ::RasGetEntryDialParamsA;
};

struct Win32PhonebookOptions {
  // A dial that has not ended after this long is abandoned: hung up, and reported as
  // kRasErrorTimeout.
  std::chrono::milliseconds dialTimeout{std::chrono::seconds(90)};
  // How long an abandoned dial is given to release its connection after the hang-up.
  std::chrono::milliseconds hangUpWait{std::chrono::seconds(3)};
};

class Win32Phonebook : public IPhonebook {
 public:
  explicit Win32Phonebook(Win32PhonebookOptions options = {}, RasApi api = {});

  // RasDialA without a notifier (synchronous) on a helper thread, which this call waits for at
  // most dialTimeout; past it the attempt is hung up and kRasErrorTimeout returned. While an
  // abandoned attempt has not ended yet, a new dial fails at once with
  // ERROR_DIAL_ALREADY_IN_PROGRESS. A failed attempt's handle is released (RasHangUpA) as the
  // platform asks; a connection that came up is left up.
  std::uint32_t RasDial(const RasDialParams& params) override;
  // The first entries.size() names in phonebook order; ERROR_BUFFER_TOO_SMALL when the
  // phonebook holds more.
  std::uint32_t RasEnumEntries(std::vector<RasEntryName>& entries, std::uint32_t& count) override;
  std::uint32_t RasGetEntryDialParams(RasDialParams& params, bool& passwordSaved) override;

 private:
  void HangUp(HRASCONN handle, const char* entryName);

  Win32PhonebookOptions options_;
  RasApi api_;
  // Set while an abandoned dial's thread has not come back from RasDialA; shared with that thread,
  // which may outlive the phonebook.
  std::shared_ptr<std::atomic<bool>> stuck_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace tavrel
