// The phonebook on Remote Access: the native records, the time bound with its hang-up and the
// release of failed attempts, against stand-in RAS functions (Wine's RAS is stubs).
#include "platform/win32/Win32Phonebook.h"

#include <raserror.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "monitor/modRAS.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the stand-in RAS functions were given, and what they answer.
struct State {
  std::vector<std::string> entries;
  DWORD dialResult = 0;
  bool block = false;          // a dial waits until hung up (or released)
  bool hangUpReleases = true;  // a hang-up ends a blocked dial
  std::vector<HRASCONN> hangUps;
  RASDIALPARAMSA dialled{};
  DWORD entrySize = 0, paramsSize = 0, notifierType = 99;
  bool nullBook = false;
};

// Stand-in RAS functions.
struct Ras {
  static inline std::mutex m;
  static inline State s;
  static inline std::atomic<bool> released{false};

  static void Reset() {
    std::lock_guard lock(m);
    s = {};
    released = false;
  }
  static std::vector<HRASCONN> HangUps() {
    std::lock_guard lock(m);
    return s.hangUps;
  }

  static DWORD WINAPI Dial(LPRASDIALEXTENSIONS, LPCSTR book, LPRASDIALPARAMSA p, DWORD type, LPVOID notifier,
                           LPHRASCONN h) {
    bool block = false;
    DWORD result = 0;
    {
      std::lock_guard lock(m);
      s.dialled = *p;
      s.nullBook = book == nullptr && notifier == nullptr;
      s.notifierType = type;
      block = s.block;
      result = s.dialResult;
    }
    *h = reinterpret_cast<HRASCONN>(0x1234);  // published while the dial runs, as RAS does
    if (!block) return result;
    for (const auto end = Clock::now() + 30s; !released && Clock::now() < end;) std::this_thread::sleep_for(5ms);
    return ERROR_USER_DISCONNECTION;
  }
  static DWORD WINAPI HangUp(HRASCONN h) {
    std::lock_guard lock(m);
    s.hangUps.push_back(h);
    if (s.hangUpReleases) released = true;
    return 0;
  }
  static DWORD WINAPI Status(HRASCONN, LPRASCONNSTATUSA) { return released ? ERROR_INVALID_HANDLE : 0; }
  static DWORD WINAPI Connections(LPRASCONNA, LPDWORD, LPDWORD count) {
    *count = 0;
    return 0;
  }
  static DWORD WINAPI Entries(LPCSTR, LPCSTR, LPRASENTRYNAMEA names, LPDWORD cb, LPDWORD count) {
    std::lock_guard lock(m);
    s.entrySize = names[0].dwSize;
    *count = static_cast<DWORD>(s.entries.size());
    const DWORD need = static_cast<DWORD>(s.entries.size() * sizeof(RASENTRYNAMEA));
    if (*cb < need) {
      *cb = need;
      return ERROR_BUFFER_TOO_SMALL;
    }
    for (std::size_t i = 0; i < s.entries.size(); ++i)
      std::snprintf(names[i].szEntryName, sizeof names[i].szEntryName, "%s", s.entries[i].c_str());
    return 0;
  }
  static DWORD WINAPI Params(LPCSTR, LPRASDIALPARAMSA p, LPBOOL saved) {
    std::lock_guard lock(m);
    s.paramsSize = p->dwSize;
    std::snprintf(p->szUserName, sizeof p->szUserName, "alice");
    std::snprintf(p->szPassword, sizeof p->szPassword, "secret1");
    *saved = TRUE;
    return 0;
  }
  static RasApi Api() { return {&Dial, &HangUp, &Status, &Connections, &Entries, &Params}; }
};

class Phonebook : public ::testing::Test {
 protected:
  void SetUp() override { Ras::Reset(); }
  void TearDown() override {
    Ras::released = true;  // no dial thread outlives its test
    std::this_thread::sleep_for(20ms);
  }
  // A dial of the entry "Work" with a value of its own in every field of the record.
  static std::uint32_t Dial(IPhonebook& book, const std::string& password = "pa55") {
    RasDialParams p;
    modRAS::TextToBytes("Work", p.szEntryName);
    modRAS::TextToBytes("555", p.szPhoneNumber);
    modRAS::TextToBytes("*", p.szCallbackNumber);
    modRAS::TextToBytes("alice", p.szUserName);
    modRAS::TextToBytes(password, p.szPassword);
    modRAS::TextToBytes("corp", p.szDomain);
    return book.RasDial(p);
  }
};

TEST_F(Phonebook, NativeRecordsAreFilledFieldByFieldAndReadBackTheSameWay) {
  Win32Phonebook book({}, Ras::Api());
  EXPECT_EQ(Dial(book, std::string(300, 'p')), 0u);
  {
    std::lock_guard lock(Ras::m);
    const RASDIALPARAMSA& d = Ras::s.dialled;
    EXPECT_EQ(d.dwSize, sizeof(RASDIALPARAMSA)) << "the native record, not the 32-bit one";
    EXPECT_EQ(std::string(d.szEntryName) + "/" + d.szPhoneNumber + "/" + d.szCallbackNumber + "/" + d.szUserName + "/" +
                  d.szDomain,
              "Work/555/*/alice/corp");
    EXPECT_EQ(std::string(d.szPassword), std::string(256, 'p'));
    EXPECT_TRUE(Ras::s.nullBook) << "the default phonebook, no notifier";
    EXPECT_EQ(Ras::s.notifierType, 0u);
  }

  Ras::s.entries = {"Work", "Home", "Mobile"};
  std::vector<RasEntryName> names(kMaxPhonebookEntries);
  std::uint32_t count = 0;
  EXPECT_EQ(book.RasEnumEntries(names, count), 0u);
  EXPECT_EQ(Ras::s.entrySize, sizeof(RASENTRYNAMEA));
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(modRAS::BytesToText(names[2].szEntryName), "Mobile");
  Ras::s.entries.clear();  // more entries than records: the first ones
  for (int i = 0; i < 300; ++i) Ras::s.entries.push_back("Entry " + std::to_string(i));
  EXPECT_EQ(book.RasEnumEntries(names, count), static_cast<std::uint32_t>(ERROR_BUFFER_TOO_SMALL));
  ASSERT_EQ(count, kMaxPhonebookEntries);
  EXPECT_EQ(modRAS::BytesToText(names[0].szEntryName), "Entry 0");
  EXPECT_EQ(modRAS::BytesToText(names[255].szEntryName), "Entry 255");

  RasDialParams p;
  modRAS::TextToBytes("Work", p.szEntryName);
  bool saved = false;
  EXPECT_EQ(book.RasGetEntryDialParams(p, saved), 0u);
  EXPECT_EQ(Ras::s.paramsSize, sizeof(RASDIALPARAMSA));
  EXPECT_EQ(modRAS::BytesToText(p.szUserName) + "/" + modRAS::BytesToText(p.szPassword), "alice/secret1");
  EXPECT_TRUE(saved);
}

TEST_F(Phonebook, ADialPastItsBoundIsHungUpAndWhileItWillNotEndTheNextIsRefused) {
  Ras::s.block = true;
  Ras::s.hangUpReleases = false;  // the platform does not let go
  Win32Phonebook book({.dialTimeout = 300ms, .hangUpWait = 100ms}, Ras::Api());
  auto start = Clock::now();
  EXPECT_EQ(Dial(book), kRasErrorTimeout);
  EXPECT_GE(Clock::now() - start, 300ms);
  EXPECT_EQ(Ras::HangUps(), std::vector<HRASCONN>{reinterpret_cast<HRASCONN>(0x1234)});
  start = Clock::now();
  EXPECT_EQ(Dial(book), static_cast<std::uint32_t>(ERROR_DIAL_ALREADY_IN_PROGRESS));
  EXPECT_LT(Clock::now() - start, 10s) << "refused at once";

  Ras::s.block = false;
  Ras::released = true;  // the stuck attempt ends after all
  for (const auto end = Clock::now() + 20s; Clock::now() < end; std::this_thread::sleep_for(10ms))
    if (Dial(book) == 0) return;
  ADD_FAILURE() << "the phonebook never dialled again";
}

TEST_F(Phonebook, AFailedAttemptsHandleIsReleasedAndNothingIsHungUpAfterASuccess) {
  Ras::s.dialResult = ERROR_AUTHENTICATION_FAILURE;
  Win32Phonebook book({}, Ras::Api());
  EXPECT_EQ(Dial(book), static_cast<std::uint32_t>(ERROR_AUTHENTICATION_FAILURE));
  for (const auto end = Clock::now() + 20s; Ras::HangUps().empty() && Clock::now() < end;)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(Ras::HangUps().size(), 1u);
  Ras::Reset();
  EXPECT_EQ(Dial(book), 0u);
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(Ras::HangUps().empty()) << "the connection that came up stays up";
}

}  // namespace
}  // namespace tavrel
