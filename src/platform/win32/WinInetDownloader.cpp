#include "platform/win32/WinInetDownloader.h"

#include "platform/win32/Win32Api.h"

#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "core/BuildInfo.h"

namespace tavrel {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Why = DownloadFailure;

namespace {

constexpr char kNoCache[] = "Cache-Control: no-cache\r\nPragma: no-cache\r\n";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;

struct InternetCloser {
  void operator()(void* h) const { ::InternetCloseHandle(h); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

// One transfer. The helper thread talks to the server and hands the body over in pieces; the
// calling thread writes them, watches the bounds and reports progress. Either may be the last to
// let go of it.
struct Transfer {
  std::string url;
  std::uint64_t cap = 0;
  long maxRedirects = 5;
  DWORD connectMs = 0, stallMs = 0;
  HINTERNET session = nullptr;

  std::mutex m;
  std::condition_variable cv;
  std::deque<std::string> pieces;  // received, not yet written
  std::uint64_t received = 0;
  std::uint64_t length = 0;  // announced
  Clock::time_point lastActivity = Clock::now();
  bool done = false;
  TransferEnd end;  // the helper's part: the answer's status, a cap passed, a failure
};

Why WhyOfError(DWORD e) {
  switch (e) {
    case ERROR_INTERNET_CANNOT_CONNECT: return Why::kRefused;
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return Why::kNoHost;
    case ERROR_INTERNET_TIMEOUT: return Why::kTimedOut;
    default: return Why::kBadAnswer;
  }
}

std::string ErrorText(const char* what, DWORD e) {
  return std::string(what) + " (WinINet error " + std::to_string(e) + ")";
}

struct Url {
  bool https = false;
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;  // with the query
};

// An http or https URL taken apart; nothing for any other.
std::optional<Url> Crack(const std::string& url) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  std::vector<char> path(url.size() + 2), extra(url.size() + 2);
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!::InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return std::nullopt;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return std::nullopt;
  if (host[0] == '\0') return std::nullopt;
  Url u{parts.nScheme == INTERNET_SCHEME_HTTPS, host, parts.nPort, std::string(path.data()) + extra.data()};
  if (u.path.empty()) u.path = "/";
  return u;
}

std::string Header(HINTERNET request, DWORD which) {
  std::vector<char> buf(256);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(buf.size());
    DWORD index = 0;
    if (::HttpQueryInfoA(request, which, buf.data(), &size, &index)) return std::string(buf.data(), size);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > 65536) return {};
    buf.resize(size + 1);
  }
  return {};
}

class Run {
 public:
  explicit Run(Transfer& t) : t_(t) {}

  void operator()() {
    std::string current = t_.url;
    for (int hop = 0;; ++hop) {
      const std::optional<Url> u = Crack(current);
      if (!u) return Fail(Why::kBadAnswer, "not an http or https address: " + current);
      request_.reset();  // the previous hop's, before its connection
      connection_.reset(
          ::InternetConnectA(t_.session, u->host.c_str(), u->port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
      if (!connection_) return Fail(Why::kBadAnswer, ErrorText("no connection", ::GetLastError()));
      request_.reset(::HttpOpenRequestA(connection_.get(), "GET", u->path.c_str(), nullptr, nullptr, nullptr,
                                        kRequestFlags | (u->https ? INTERNET_FLAG_SECURE : 0), 0));
      if (!request_) return Fail(Why::kBadAnswer, ErrorText("no request", ::GetLastError()));
      // The platform's bounds for each step: connecting, and each wait for the server.
      ::InternetSetOptionA(request_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &t_.connectMs, sizeof t_.connectMs);
      ::InternetSetOptionA(request_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &t_.stallMs, sizeof t_.stallMs);
      ::InternetSetOptionA(request_.get(), INTERNET_OPTION_SEND_TIMEOUT, &t_.stallMs, sizeof t_.stallMs);
      if (!::HttpSendRequestA(request_.get(), kNoCache, DWORD(-1), nullptr, 0)) {
        const DWORD e = ::GetLastError();
        return Fail(WhyOfError(e), ErrorText("no answer from the server", e));
      }
      Touch();
      DWORD status = 0;
      DWORD size = sizeof status;
      if (!::HttpQueryInfoA(request_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return Fail(Why::kBadAnswer, "the server's answer has no status");
      if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        const std::string location = Header(request_.get(), HTTP_QUERY_LOCATION);
        if (location.empty()) return Fail(Why::kBadAnswer, "a redirect without a location");
        if (hop >= t_.maxRedirects)
          return Fail(Why::kBadAnswer, "more than " + std::to_string(t_.maxRedirects) + " redirects");
        std::vector<char> next(INTERNET_MAX_URL_LENGTH + 1);
        DWORD len = static_cast<DWORD>(next.size());
        if (!::InternetCombineUrlA(current.c_str(), location.c_str(), next.data(), &len, ICU_NO_ENCODE))
          return Fail(Why::kBadAnswer, "a redirect to an unusable address: " + location);
        current.assign(next.data(), len);
        continue;
      }
      t_.end.status = static_cast<long>(status);
      if (status < 200 || status > 299) return;
      break;
    }
    Body();
  }

 private:
  void Fail(Why why, std::string detail) { t_.end.broken = DownloadResult::Failed(why, std::move(detail)); }
  void OverCap() { t_.end.overCap = true; }
  void Touch() {
    std::lock_guard lock(t_.m);
    t_.lastActivity = Clock::now();
  }

  void Body() {
    // WinINet cannot tell a complete answer of unannounced length from a broken one: a head cut
    // off reads as an answer without headers, and a chunked body that stops reads as a whole one.
    // So only an announced length that arrives in full counts as complete. An answer without one
    // is read up to the cap all the same, to say whether it was too large.
    const std::string announced = Header(request_.get(), HTTP_QUERY_CONTENT_LENGTH);
    char* end = nullptr;
    const std::uint64_t length = std::strtoull(announced.c_str(), &end, 10);
    const bool known = !announced.empty() && end != announced.c_str() && *end == '\0';
    if (known && length > t_.cap) return OverCap();
    const std::uint64_t room = known ? length : t_.cap;
    if (known) {
      std::lock_guard lock(t_.m);
      t_.length = length;
    }
    std::uint64_t got = 0;
    std::string piece(1 << 16, '\0');
    for (;;) {
      DWORD n = 0;
      if (!::InternetReadFile(request_.get(), piece.data(), static_cast<DWORD>(piece.size()), &n)) {
        const DWORD e = ::GetLastError();
        return Fail(WhyOfError(e), ErrorText("the transfer broke off", e));
      }
      if (n == 0) break;
      if (n > room - got) {
        if (!known) return OverCap();
        return Fail(Why::kBadAnswer, "the answer is longer than it said");
      }
      got += n;
      std::lock_guard lock(t_.m);
      t_.lastActivity = Clock::now();
      if (!known) continue;  // never stored
      t_.pieces.emplace_back(piece.data(), n);
      t_.received = got;
      t_.cv.notify_one();
    }
    if (!known) return Fail(Why::kBadAnswer, "the answer does not say how long it is");
    if (got != length)
      return Fail(Why::kBadAnswer,
                  "the answer broke off after " + std::to_string(got) + " of " + std::to_string(length) + " bytes");
  }

  Transfer& t_;
  Internet connection_;
  Internet request_;
};

std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  char suffix[48];
  ::wsprintfA(suffix, ".part-%lu-%u", ::GetCurrentProcessId(), counter.fetch_add(1));
  return path + suffix;
}

// The temporary file: created hidden beside the target, removed unless Commit succeeded.
class TempFile {
 public:
  explicit TempFile(const std::string& target) : path_(TemporaryBeside(target)) {
    h_ = ::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
  }
  ~TempFile() {
    Close();
    if (!committed_) ::DeleteFileA(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Write(const std::string& data) {
    DWORD written = 0;
    return ::WriteFile(h_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
  }
  // Flushes, closes and moves the file over target; on success it is no longer temporary.
  bool Commit(const std::string& target) {
    const bool flushed = ::FlushFileBuffers(h_) != 0;
    Close();
    if (!flushed || !::MoveFileExA(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return false;
    committed_ = true;
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return true;
  }

 private:
  void Close() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }
  std::string path_;
  HANDLE h_ = INVALID_HANDLE_VALUE;
  bool committed_ = false;
};

}  // namespace

WinInetDownloader::WinInetDownloader() : WinInetDownloader(Limits{}) {}

WinInetDownloader::WinInetDownloader(Limits limits) : limits_(limits) {}

DownloadResult WinInetDownloader::DownloadFile(const std::string& url, const std::string& localPath,
                                               std::uint64_t maxBytes, const Progress& progress) {
  if (!Crack(url)) return DownloadResult::Failed(Why::kBadAnswer, "not an http or https address: " + url);
  TempFile file(localPath);
  if (!file.ok()) return DownloadResult::Failed(Why::kLocalFile, "cannot create a file beside " + localPath);

  const std::string agent = std::string("Tavrel/") + std::to_string(build::kVersionMajor) + "." +
                            std::to_string(build::kVersionMinor) + "." + std::to_string(build::kVersionRevision);
  auto t = std::make_shared<Transfer>();
  t->url = url;
  t->cap = maxBytes;
  t->maxRedirects = limits_.maxRedirects;
  t->connectMs = static_cast<DWORD>(std::max<std::int64_t>(limits_.connect.count(), 1));
  // WinINet's own wait for the server is a backstop a little longer than the stall bound, which
  // the watch below keeps (and reports as a timeout; WinINet reports an aborted connection).
  t->stallMs = static_cast<DWORD>(std::max<std::int64_t>(limits_.stall.count(), 1) + 2000);
  // The system's proxy settings apply, as for the browser.
  t->session = ::InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!t->session)
    return DownloadResult::Failed(Why::kLocalFile, ErrorText("WinINet could not be started", ::GetLastError()));
  try {
    std::thread([t] {
      Run run(*t);
      run();
      std::lock_guard lock(t->m);
      t->done = true;
      t->cv.notify_one();
    }).detach();
  } catch (const std::system_error&) {
    ::InternetCloseHandle(t->session);
    return DownloadResult::Failed(Why::kLocalFile, "no thread for the transfer");
  }

  // Write what arrives, report progress at a steady pace, and end the transfer at its bounds.
  const auto interval = limits_.progressInterval.count() > 0 ? limits_.progressInterval : 50ms;
  const auto deadline = Clock::now() + TotalBound(maxBytes);
  TransferEnd end;
  std::unique_lock lock(t->m);
  for (;;) {
    t->cv.wait_for(lock, interval, [&] { return t->done || !t->pieces.empty(); });
    std::deque<std::string> pieces;
    pieces.swap(t->pieces);
    const bool done = t->done;
    const std::uint64_t received = t->received, length = t->length;
    const auto quiet = Clock::now() - t->lastActivity;
    lock.unlock();
    for (const auto& p : pieces) end.writeFailed = end.writeFailed || !file.Write(p);
    if (!done && !end.writeFailed) {
      end.stalled = quiet >= limits_.stall;
      end.overTime = !end.stalled && Clock::now() >= deadline;
    }
    if (done || end.writeFailed || end.stalled || end.overTime) {
      lock.lock();
      break;
    }
    if (progress) progress(received, length);
    lock.lock();
  }
  if (t->done) {
    end.overCap = t->end.overCap;
    end.broken = t->end.broken;
    end.status = t->end.status;
  }
  const std::uint64_t received = t->received, length = t->length;
  lock.unlock();
  // Ends every call the helper thread may still be blocked in; it lets go of its share itself.
  ::InternetCloseHandle(t->session);

  if (DownloadResult verdict = Verdict(end, limits_, maxBytes); !verdict.Ok()) return verdict;
  if (progress) progress(received, length);
  if (!file.Commit(localPath)) return DownloadResult::Failed(Why::kLocalFile, "storing " + localPath + " failed");
  return {};
}

}  // namespace tavrel
