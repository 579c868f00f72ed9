#include "platform/win32/WinInetDownloader.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/BuildInfo.h"

namespace tavrel {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Failure = WinInetDownloader::Failure;

namespace {

constexpr char kNoCache[] = "Cache-Control: no-cache\r\nPragma: no-cache\r\n";
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                             INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES |
                             INTERNET_FLAG_NO_UI;

std::int64_t Ticks() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

// One transfer, shared by the helper thread that runs it and the caller that watches it.
struct Transfer {
  std::string url;
  std::string temp;  // the body goes here
  std::uint64_t cap = 0;
  int maxRedirects = 5;
  HINTERNET session = nullptr;
  HANDLE file = INVALID_HANDLE_VALUE;

  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> length{0};  // announced, 0 when unknown
  std::atomic<std::int64_t> lastActivity{0};

  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  bool cancelled = false;
  bool ok = false;
  std::string error;
  Failure failure = Failure::kOther;
};

void Fail(Transfer& t, Failure f, std::string error) {
  t.failure = f;
  t.error = std::move(error);
}

Failure FailureOfError(DWORD e) {
  switch (e) {
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_INTERNET_CONNECTION_ABORTED:
      return Failure::kRefused;
    case ERROR_INTERNET_TIMEOUT:
      return Failure::kTimedOut;
    default:
      return Failure::kOther;
  }
}

std::string ErrorText(const char* what, DWORD e) {
  return std::string(what) + " (WinINet error " + std::to_string(e) + ")";
}

bool IsHttp(const std::string& url) {
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = 1;  // ask for the scheme only
  if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return false;
  return parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS;
}

std::string Header(HINTERNET request, DWORD which) {
  std::vector<char> buf(256);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(buf.size());
    DWORD index = 0;
    if (::HttpQueryInfoA(request, which, buf.data(), &size, &index))
      return std::string(buf.data(), size);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > 65536) return {};
    buf.resize(size + 1);
  }
  return {};
}

struct RequestCloser {
  void operator()(void* h) const { ::InternetCloseHandle(h); }
};

// Runs on the helper thread; every blocking call ends when the caller closes the session.
void Run(Transfer& t) {
  std::string current = t.url;
  std::unique_ptr<void, RequestCloser> request;
  for (int hop = 0;; ++hop) {
    if (!IsHttp(current)) return Fail(t, Failure::kOther, "not an http or https address: " + current);
    request.reset(::InternetOpenUrlA(t.session, current.c_str(), kNoCache, DWORD(-1), kOpenFlags, 0));
    if (!request) {
      const DWORD e = ::GetLastError();
      return Fail(t, FailureOfError(e), ErrorText("no answer from the server", e));
    }
    t.lastActivity = Ticks();
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &size, nullptr))
      return Fail(t, Failure::kOther, "the server's answer has no status");
    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
      const std::string location = Header(request.get(), HTTP_QUERY_LOCATION);
      if (location.empty()) return Fail(t, Failure::kOther, "a redirect without a location");
      if (hop >= t.maxRedirects)
        return Fail(t, Failure::kOther, "more than " + std::to_string(t.maxRedirects) + " redirects");
      std::vector<char> next(INTERNET_MAX_URL_LENGTH + 1);
      DWORD len = static_cast<DWORD>(next.size());
      if (!::InternetCombineUrlA(current.c_str(), location.c_str(), next.data(), &len, ICU_NO_ENCODE))
        return Fail(t, Failure::kOther, "a redirect to an unusable address: " + location);
      current.assign(next.data(), len);
      continue;
    }
    if (status < 200 || status > 299)
      return Fail(t, status == 404 || status == 410 ? Failure::kNotFound : Failure::kOther,
                  "the server answered " + std::to_string(status));
    break;
  }

  const std::string announced = Header(request.get(), HTTP_QUERY_CONTENT_LENGTH);
  std::uint64_t length = 0;
  if (!announced.empty()) {
    char* end = nullptr;
    length = std::strtoull(announced.c_str(), &end, 10);
    if (end == announced.c_str() || *end != '\0')
      return Fail(t, Failure::kOther, "an unreadable length: " + announced);
    if (length > t.cap)
      return Fail(t, Failure::kTooLarge, "the answer is larger than " + std::to_string(t.cap) + " bytes");
    t.length = length;
  }

  std::vector<char> buf(1 << 16);
  std::uint64_t got = 0;
  for (;;) {
    DWORD n = 0;
    if (!::InternetReadFile(request.get(), buf.data(), static_cast<DWORD>(buf.size()), &n)) {
      const DWORD e = ::GetLastError();
      return Fail(t, FailureOfError(e), ErrorText("the transfer broke off", e));
    }
    if (n == 0) break;
    if (n > t.cap - got)
      return Fail(t, Failure::kTooLarge, "the answer is larger than " + std::to_string(t.cap) + " bytes");
    DWORD written = 0;
    if (!::WriteFile(t.file, buf.data(), n, &written, nullptr) || written != n)
      return Fail(t, Failure::kOther, "writing the downloaded file failed");
    got += n;
    t.received = got;
    t.lastActivity = Ticks();
  }
  if (!announced.empty() && got != length)
    return Fail(t, Failure::kOther, "the answer broke off after " + std::to_string(got) + " of " +
                                        std::to_string(length) + " bytes");
  if (!::FlushFileBuffers(t.file)) return Fail(t, Failure::kOther, "writing the downloaded file failed");
  t.ok = true;
}

std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  char suffix[48];
  ::wsprintfA(suffix, ".part-%lu-%u", ::GetCurrentProcessId(), counter.fetch_add(1));
  return path + suffix;
}

}  // namespace

WinInetDownloader::WinInetDownloader() : WinInetDownloader(Limits{}) {}

WinInetDownloader::WinInetDownloader(Limits limits) : limits_(limits) {}

std::chrono::milliseconds WinInetDownloader::TotalBound(std::uint64_t maxBytes) const {
  const double rate = limits_.slowestRate > 0 ? static_cast<double>(limits_.slowestRate) : 1.0;
  const double total = static_cast<double>(std::max<std::int64_t>(limits_.total.count(), 1));
  const double base = static_cast<double>(std::max<std::int64_t>(limits_.base.count(), 0));
  const double scaled = base + static_cast<double>(maxBytes) * 1000.0 / rate;
  return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(total, scaled)));
}

bool WinInetDownloader::DownloadFile(const std::string& url, const std::string& localPath,
                                     std::uint64_t maxBytes, const Progress& progress) {
  lastError_.clear();
  failure_ = Failure::kOther;
  const auto fail = [this](Failure f, std::string e) {
    failure_ = f;
    lastError_ = std::move(e);
    return false;
  };
  if (!IsHttp(url)) return fail(Failure::kOther, "not an http or https address: " + url);

  auto t = std::make_shared<Transfer>();
  t->url = url;
  t->cap = maxBytes;
  t->maxRedirects = limits_.maxRedirects;
  t->temp = TemporaryBeside(localPath);
  t->file = ::CreateFileA(t->temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (t->file == INVALID_HANDLE_VALUE)
    return fail(Failure::kOther, "cannot create a file beside " + localPath);

  const std::string agent = std::string("Tavrel/") + std::to_string(build::kVersionMajor) + "." +
                            std::to_string(build::kVersionMinor) + "." +
                            std::to_string(build::kVersionRevision);
  t->session = ::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!t->session) {
    ::CloseHandle(t->file);
    ::DeleteFileA(t->temp.c_str());
    return fail(Failure::kOther, ErrorText("WinINet could not be started", ::GetLastError()));
  }
  // The platform's own bounds for each step; the watch below bounds the whole.
  DWORD connectMs = static_cast<DWORD>(std::max<std::int64_t>(limits_.connect.count(), 1));
  DWORD stallMs = static_cast<DWORD>(std::max<std::int64_t>(limits_.stall.count(), 1));
  ::InternetSetOptionA(t->session, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
  ::InternetSetOptionA(t->session, INTERNET_OPTION_RECEIVE_TIMEOUT, &stallMs, sizeof stallMs);
  ::InternetSetOptionA(t->session, INTERNET_OPTION_SEND_TIMEOUT, &stallMs, sizeof stallMs);

  t->lastActivity = Ticks();
  try {
    std::thread([t] {
      Run(*t);
      ::CloseHandle(t->file);
      std::lock_guard lock(t->m);
      if (!t->ok || t->cancelled) ::DeleteFileA(t->temp.c_str());
      t->done = true;
      t->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    ::InternetCloseHandle(t->session);
    ::CloseHandle(t->file);
    ::DeleteFileA(t->temp.c_str());
    return fail(Failure::kOther, "no thread for the transfer");
  }

  // Watch the transfer: progress at a steady pace, and the stall and total bounds.
  const auto interval = limits_.progressInterval.count() > 0 ? limits_.progressInterval : 50ms;
  const auto start = Clock::now();
  const auto deadline = start + TotalBound(maxBytes);
  std::unique_lock lock(t->m);
  Failure over = Failure::kNone;
  std::string overText;
  while (!t->done) {
    t->cv.wait_for(lock, interval);
    if (t->done) break;
    const auto now = Clock::now();
    const std::int64_t quiet = Ticks() - t->lastActivity.load();
    if (quiet >= limits_.stall.count()) {
      over = Failure::kTimedOut;
      overText = "nothing received for " + std::to_string(limits_.stall.count()) + " ms";
    } else if (now >= deadline) {
      over = Failure::kTimedOut;
      overText = "the transfer took longer than " +
                 std::to_string(TotalBound(maxBytes).count()) + " ms";
    }
    if (over != Failure::kNone) {
      t->cancelled = true;
      break;
    }
    if (progress) {
      lock.unlock();
      progress(t->received.load(), t->length.load());
      lock.lock();
    }
  }
  if (over != Failure::kNone) {
    // Closing the session ends every call the helper thread is blocked in; it then removes the
    // temporary file itself.
    lock.unlock();
    ::InternetCloseHandle(t->session);
    lock.lock();
    t->cv.wait_for(lock, 5s, [&] { return t->done; });
    return fail(over, overText);
  }
  lock.unlock();
  ::InternetCloseHandle(t->session);
  if (!t->ok) return fail(t->failure, t->error);
  if (progress) progress(t->received.load(), t->length.load());
  if (!::MoveFileExA(t->temp.c_str(), localPath.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD e = ::GetLastError();
    ::DeleteFileA(t->temp.c_str());
    return fail(Failure::kOther, "storing " + localPath + " failed (error " + std::to_string(e) + ")");
  }
  // The temporary file was hidden while it was incomplete.
  ::SetFileAttributesA(localPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  failure_ = Failure::kNone;
  return true;
}

}  // namespace tavrel
