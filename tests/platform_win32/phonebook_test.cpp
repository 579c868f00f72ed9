// The phonebook on Remote Access. Wine's RAS is stubs: no entries, a dial that fails at once and
// a fetch of stored credentials that "succeeds" for any name; those are the real-facility cases.
// The native records, the time bound with its hang-up and the release of failed attempts are
// tested against stand-in RAS functions.
#include "platform/win32/Win32Phonebook.h"

#include <raserror.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "fakes/FakeEntryControls.h"
#include "fakes/FakeEnv.h"
#include "monitor/modRAS.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Stand-in RAS functions: what they were given, and what they answer.
struct Ras {
  static inline std::mutex m;
  static inline std::vector<std::string> entries;
  static inline DWORD dialResult = 0;
  static inline bool block = false;          // a dial waits until hung up (or released)
  static inline bool hangUpReleases = true;  // a hang-up ends a blocked dial
  static inline std::atomic<bool> released{false};
  static inline std::vector<HRASCONN> hangUps;
  static inline RASDIALPARAMSA dialled{};
  static inline DWORD entrySize = 0, paramsSize = 0, notifierType = 99;
  static inline bool nullBook = false;

  static void Reset() {
    std::lock_guard lock(m);
    entries.clear();
    dialResult = 0;
    block = false;
    hangUpReleases = true;
    released = false;
    hangUps.clear();
    dialled = {};
    entrySize = paramsSize = 0;
    notifierType = 99;
  }
  static std::vector<HRASCONN> HangUps() {
    std::lock_guard lock(m);
    return hangUps;
  }
  static bool WaitForHangUps(std::size_t n) {
    for (const auto end = Clock::now() + 20s; Clock::now() < end; std::this_thread::sleep_for(10ms))
      if (HangUps().size() >= n) return true;
    return false;
  }

  static DWORD WINAPI Dial(LPRASDIALEXTENSIONS, LPCSTR book, LPRASDIALPARAMSA p, DWORD type, LPVOID notifier,
                           LPHRASCONN h) {
    {
      std::lock_guard lock(m);
      dialled = *p;
      nullBook = book == nullptr && notifier == nullptr;
      notifierType = type;
    }
    *h = reinterpret_cast<HRASCONN>(0x1234);  // published while the dial runs, as RAS does
    if (block) {
      for (const auto end = Clock::now() + 30s; !released && Clock::now() < end;) std::this_thread::sleep_for(5ms);
      return ERROR_USER_DISCONNECTION;
    }
    return dialResult;
  }
  static DWORD WINAPI HangUp(HRASCONN h) {
    std::lock_guard lock(m);
    hangUps.push_back(h);
    if (hangUpReleases) released = true;
    return 0;
  }
  static DWORD WINAPI Status(HRASCONN, LPRASCONNSTATUSA) { return released ? ERROR_INVALID_HANDLE : 0; }
  static DWORD WINAPI Connections(LPRASCONNA, LPDWORD, LPDWORD count) {
    *count = 0;
    return 0;
  }
  static DWORD WINAPI Entries(LPCSTR, LPCSTR, LPRASENTRYNAMEA names, LPDWORD cb, LPDWORD count) {
    std::lock_guard lock(m);
    entrySize = names[0].dwSize;
    *count = static_cast<DWORD>(entries.size());
    const DWORD need = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    if (*cb < need) {
      *cb = need;
      return ERROR_BUFFER_TOO_SMALL;
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
      std::snprintf(names[i].szEntryName, sizeof names[i].szEntryName, "%s", entries[i].c_str());
    return 0;
  }
  static DWORD WINAPI Params(LPCSTR, LPRASDIALPARAMSA p, LPBOOL saved) {
    std::lock_guard lock(m);
    paramsSize = p->dwSize;
    if (std::string(p->szEntryName) != "Work") return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    std::snprintf(p->szUserName, sizeof p->szUserName, "alice");
    std::snprintf(p->szPassword, sizeof p->szPassword, "secret1");
    *saved = TRUE;
    return 0;
  }
  static RasApi Api() {
    RasApi api;
    api.dial = &Dial;
    api.hangUp = &HangUp;
    api.connectStatus = &Status;
    api.enumConnections = &Connections;
    api.enumEntries = &Entries;
    api.getEntryDialParams = &Params;
    return api;
  }
};

class Phonebook : public ::testing::Test {
 protected:
  void SetUp() override { Ras::Reset(); }
  void TearDown() override {
    Ras::released = true;  // no dial thread outlives its test
    std::this_thread::sleep_for(20ms);
  }
  // The behaviour's environment with this phonebook.
  Env With(IPhonebook& book) {
    return {f.env.app, f.desktop, f.clock,     f.fs,      f.profile,    f.registry, f.connection,
            book,      f.tcp,     f.addresses, f.sockets, f.downloader, f.wm,       f.style};
  }
  std::uint32_t Dial(IPhonebook& book, const std::string& password = "pa55") {
    Env env = With(book);
    return modRAS::DialEntryResult(env, "Work", "alice", password);
  }
  fakes::FakeEnv f;
};

TEST_F(Phonebook, WinesRemoteAccessHasNoEntriesAndItsDialFailsAtOnce) {
  Win32Phonebook book;
  Env env = With(book);
  fakes::FakeEntryList list;
  fakes::FakeTextBox user("kept"), password("kept too");
  modRAS::EntryControls controls{list, user, password};
  modRAS::ListPhonebookEntries(env, controls);
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.index, -1);
  EXPECT_EQ(user.text + "/" + password.text, "kept/kept too") << "no entry: no account loaded";

  const auto start = Clock::now();
  const std::uint32_t r = modRAS::DialEntryResult(env, "Work", "alice", "pa55");
  EXPECT_NE(r, 0u);
  EXPECT_NE(r, kRasErrorTimeout);
  EXPECT_LT(Clock::now() - start, 30s);
  EXPECT_FALSE(modRAS::DialEntry(env, "Work", "alice", "pa55"));
}

TEST_F(Phonebook, NativeRecordsAreFilledFieldByFieldAndReadBackTheSameWay) {
  Win32Phonebook book({}, Ras::Api());
  EXPECT_EQ(Dial(book, std::string(300, 'p')), 0u);
  {
    std::lock_guard lock(Ras::m);
    EXPECT_EQ(Ras::dialled.dwSize, sizeof(RASDIALPARAMSA));
    EXPECT_NE(Ras::dialled.dwSize, 1052u) << "the native record, not the 32-bit one";
    EXPECT_STREQ(Ras::dialled.szEntryName, "Work");
    EXPECT_STREQ(Ras::dialled.szPhoneNumber, "");
    EXPECT_STREQ(Ras::dialled.szCallbackNumber, "*");
    EXPECT_STREQ(Ras::dialled.szUserName, "alice");
    EXPECT_EQ(std::string(Ras::dialled.szPassword), std::string(256, 'p'));
    EXPECT_STREQ(Ras::dialled.szDomain, "*");
    EXPECT_TRUE(Ras::nullBook) << "the default phonebook, no notifier";
    EXPECT_EQ(Ras::notifierType, 0u);
  }

  Ras::entries = {"Work", "Home", "Mobile"};
  std::vector<RasEntryName> names(kMaxPhonebookEntries);
  std::uint32_t count = 0;
  EXPECT_EQ(book.RasEnumEntries(names, count), 0u);
  EXPECT_EQ(Ras::entrySize, sizeof(RASENTRYNAMEA));
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(modRAS::BytesToText(names[2].szEntryName), "Mobile");
  Ras::entries.clear();  // more entries than records: the first ones
  for (int i = 0; i < 300; ++i) Ras::entries.push_back("Entry " + std::to_string(i));
  EXPECT_EQ(book.RasEnumEntries(names, count), static_cast<std::uint32_t>(ERROR_BUFFER_TOO_SMALL));
  ASSERT_EQ(count, kMaxPhonebookEntries);
  EXPECT_EQ(modRAS::BytesToText(names[0].szEntryName), "Entry 0");
  EXPECT_EQ(modRAS::BytesToText(names[255].szEntryName), "Entry 255");

  RasDialParams p;
  modRAS::TextToBytes("Work", p.szEntryName);
  bool saved = false;
  EXPECT_EQ(book.RasGetEntryDialParams(p, saved), 0u);
  EXPECT_EQ(Ras::paramsSize, sizeof(RASDIALPARAMSA));
  EXPECT_EQ(modRAS::BytesToText(p.szUserName) + "/" + modRAS::BytesToText(p.szPassword), "alice/secret1");
  EXPECT_TRUE(saved);
  modRAS::TextToBytes("Nowhere", p.szEntryName);
  EXPECT_EQ(book.RasGetEntryDialParams(p, saved), static_cast<std::uint32_t>(ERROR_CANNOT_FIND_PHONEBOOK_ENTRY));
}

TEST_F(Phonebook, ADialPastItsBoundIsHungUpAndAnsweredAsTimedOut) {
  Ras::block = true;
  Win32Phonebook book({.dialTimeout = 300ms, .hangUpWait = 2s}, Ras::Api());
  const auto start = Clock::now();
  EXPECT_EQ(Dial(book), kRasErrorTimeout);
  EXPECT_GE(Clock::now() - start, 300ms);
  EXPECT_LT(Clock::now() - start, 20s);
  EXPECT_EQ(Ras::HangUps(), std::vector<HRASCONN>{reinterpret_cast<HRASCONN>(0x1234)});
}

TEST_F(Phonebook, AnAttemptThatWillNotEndBlocksNoMoreThanOneThread) {
  Ras::block = true;
  Ras::hangUpReleases = false;  // the platform does not let go
  Win32Phonebook book({.dialTimeout = 200ms, .hangUpWait = 100ms}, Ras::Api());
  EXPECT_EQ(Dial(book), kRasErrorTimeout);
  const auto start = Clock::now();
  EXPECT_EQ(Dial(book), static_cast<std::uint32_t>(ERROR_DIAL_ALREADY_IN_PROGRESS));
  EXPECT_LT(Clock::now() - start, 10s) << "refused at once";

  Ras::block = false;
  Ras::released = true;  // the stuck attempt ends after all
  for (const auto end = Clock::now() + 20s; Clock::now() < end; std::this_thread::sleep_for(10ms))
    if (Dial(book) == 0) return;
  ADD_FAILURE() << "the phonebook never dialled again";
}

TEST_F(Phonebook, AFailedAttemptsHandleIsReleasedAndNothingIsHungUpAfterASuccess) {
  Ras::dialResult = ERROR_AUTHENTICATION_FAILURE;
  Win32Phonebook book({}, Ras::Api());
  EXPECT_EQ(Dial(book), static_cast<std::uint32_t>(ERROR_AUTHENTICATION_FAILURE));
  EXPECT_TRUE(Ras::WaitForHangUps(1));
  Ras::Reset();
  EXPECT_EQ(Dial(book), 0u);
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(Ras::HangUps().empty()) << "the connection that came up stays up";
}

}  // namespace
}  // namespace tavrel
