#include "platform/linux/CurlDownloader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/BuildInfo.h"
#include "platform/linux/CurlLibrary.h"
#include "platform/linux/OwnFiles.h"
#include "platform/linux/StopRequest.h"

namespace tavrel {

using namespace std::chrono_literals;

namespace {

using Why = DownloadFailure;

struct EasyDeleter {
  const linux_platform::CurlLibrary* lib;
  void operator()(CURL* e) const { lib->easy_cleanup(e); }
};
struct MultiDeleter {
  const linux_platform::CurlLibrary* lib;
  void operator()(CURLM* m) const { lib->multi_cleanup(m); }
};
struct ListDeleter {
  const linux_platform::CurlLibrary* lib;
  void operator()(curl_slist* l) const { lib->slist_free_all(l); }
};

// The temporary file beside the target: created private, removed unless Commit succeeded.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    fd_ = linux_platform::CreateSibling(target, path_);
    if (fd_ < 0) path_.clear();
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return fd_ >= 0; }

  bool Write(const char* data, std::size_t len) {
    while (len > 0) {
      const ssize_t n = ::write(fd_, data, len);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += n;
      len -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // Flushes, closes and renames the file over target. The reason (file removed) when any step
  // failed, empty when it was stored.
  std::string Commit(const std::string& target) {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) return std::string("writing the downloaded file: ") + std::strerror(errno);
    if (::rename(path_.c_str(), target.c_str()) != 0) return "storing " + target + ": " + std::strerror(errno);
    path_.clear();
    return {};
  }

 private:
  std::string path_;
  int fd_ = -1;
};

struct Sink {
  TempFile* file;
  std::uint64_t cap;
  std::uint64_t received = 0;
  bool overCap = false;
  bool writeFailed = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t len = size * count;
  if (len > sink->cap - sink->received) {  // received never exceeds cap
    sink->overCap = true;
    return 0;  // anything but len aborts the transfer
  }
  if (!sink->file->Write(data, len)) {
    sink->writeFailed = true;
    return 0;
  }
  sink->received += len;
  return len;
}

// The heads of the answers as they arrive (one per redirect, and interim 1xx ones): the status
// of the last head that ended with its blank line. A reply cut off inside its head leaves the
// head unfinished, which libcurl alone would take as a complete, empty answer.
struct Heads {
  long status = 0;     // of the head being read
  bool ended = false;  // the last head ended with its blank line
  long finalStatus = 0;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* heads = static_cast<Heads*>(user);
  const std::size_t len = size * count;
  const std::string_view line(data, len);
  if (line.rfind("HTTP/", 0) == 0) {
    heads->ended = false;
    const auto blank = line.find(' ');
    heads->status = blank == std::string_view::npos ? 0 : std::atol(std::string(line.substr(blank + 1, 3)).c_str());
  } else if (line == "\r\n" || line == "\n") {
    if (heads->status >= 200) {  // an interim 1xx head is followed by the real one
      heads->ended = true;
      heads->finalStatus = heads->status;
    }
  }
  return len;
}

long AtLeast(long v, long min) { return v < min ? min : v; }

DownloadResult Failed(Why why, std::string detail) {
  for (char& c : detail)
    if (c == '\r' || c == '\n') c = ' ';  // one line
  return DownloadResult::Failed(why, std::move(detail));
}

DownloadResult FromCurl(const linux_platform::CurlLibrary& lib, CURLcode code, const char* words, long status) {
  const std::string detail = words && *words ? words : lib.easy_strerror(code);
  switch (code) {
    case CURLE_HTTP_RETURNED_ERROR: return StatusFailure(status);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return Failed(Why::kNoHost, detail);
    case CURLE_COULDNT_CONNECT: return Failed(Why::kRefused, detail);
    case CURLE_OPERATION_TIMEDOUT: return Failed(Why::kTimedOut, detail);
    case CURLE_FILESIZE_EXCEEDED: return Failed(Why::kTooLarge, detail);
    case CURLE_WRITE_ERROR: return Failed(Why::kLocalFile, detail);
    default: return Failed(Why::kBadAnswer, detail);
  }
}

// One transfer: the libcurl handles and what their callbacks fill in. libcurl keeps pointers
// into it, so it stays where it was made.
struct Transfer {
  Transfer(const linux_platform::CurlLibrary& l, TempFile& file, std::uint64_t cap)
      : lib(l), easy(l.easy_init(), EasyDeleter{&l}), multi(l.multi_init(), MultiDeleter{&l}), sink{&file, cap} {}

  const linux_platform::CurlLibrary& lib;
  std::unique_ptr<CURL, EasyDeleter> easy;
  std::unique_ptr<CURLM, MultiDeleter> multi;
  std::unique_ptr<curl_slist, ListDeleter> headers{nullptr, ListDeleter{&lib}};
  std::string agent = std::string("Tavrel/") + std::to_string(build::kVersionMajor) + "." +
                      std::to_string(build::kVersionMinor) + "." + std::to_string(build::kVersionRevision);
  char errorBuffer[CURL_ERROR_SIZE] = {};
  Sink sink;
  Heads heads;
};

// Sets the transfer of url up within the limits and starts it; why it could not be started, or
// empty.
std::string SetUp(Transfer& t, const std::string& url, std::uint64_t maxBytes, const DownloadLimits& limits) {
  const linux_platform::CurlLibrary& lib = t.lib;
  if (!t.easy || !t.multi) return "libcurl could not be initialised";
  // Refuse cached answers from the server and from any proxy on the way.
  for (const char* h : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
    curl_slist* longer = lib.slist_append(t.headers.get(), h);
    if (!longer) return "out of memory";
    (void)t.headers.release();  // the same list, longer
    t.headers.reset(longer);
  }
  CURL* e = t.easy.get();
  lib.easy_setopt(e, CURLOPT_URL, url.c_str());
  lib.easy_setopt(e, CURLOPT_ERRORBUFFER, t.errorBuffer);
  lib.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  lib.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  lib.easy_setopt(e, CURLOPT_MAXREDIRS, limits.maxRedirects);
  lib.easy_setopt(e, CURLOPT_HTTPHEADER, t.headers.get());
  lib.easy_setopt(e, CURLOPT_USERAGENT, t.agent.c_str());
  lib.easy_setopt(e, CURLOPT_FAILONERROR, 1L);  // 4xx and 5xx end the transfer, body unwritten
  lib.easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, AtLeast(static_cast<long>(limits.connect.count()), 1));
  lib.easy_setopt(e, CURLOPT_TIMEOUT_MS, AtLeast(static_cast<long>(limits.TotalBound(maxBytes).count()), 1));
  // An announced Content-Length over the cap ends the transfer before the body (0 would mean
  // "no limit" to libcurl; the write callback enforces the cap in every case).
  if (maxBytes > 0 && maxBytes <= static_cast<std::uint64_t>(INT64_MAX))
    lib.easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  lib.easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteBody);
  lib.easy_setopt(e, CURLOPT_WRITEDATA, &t.sink);
  lib.easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
  lib.easy_setopt(e, CURLOPT_HEADERDATA, &t.heads);
  if (lib.multi_add_handle(t.multi.get(), e) != CURLM_OK) return "libcurl could not start the transfer";
  return {};
}

// Runs the transfer until it ends, a stop is requested or it stalls, with the progress callback
// at a steady pace: how it ended, as far as the loop saw it.
//
// The multi interface lets the progress callback run even while the server sends nothing, so
// the window keeps repainting, and lets a stop request end the wait at once. libcurl bounds
// connecting and the whole transfer; the stall limit is watched here, because libcurl's own
// low-speed check averages over several seconds and reacts late to a transfer that stops
// half-way.
TransferEnd Run(Transfer& t, const DownloadLimits& limits, const IDownloader::Progress& progress) {
  const linux_platform::CurlLibrary& lib = t.lib;
  CURL* e = t.easy.get();
  TransferEnd end;
  const auto interval = limits.progressInterval.count() > 0 ? limits.progressInterval : 50ms;
  const auto start = std::chrono::steady_clock::now();
  auto lastReport = start - interval;
  auto lastActivity = start;
  std::uint64_t seen = 0;  // header and body bytes so far
  int running = 0;
  curl_waitfd stopFd{linux_platform::StopFd(), CURL_WAIT_POLLIN, 0};
  CURLMcode mc = lib.multi_perform(t.multi.get(), &running);
  while (mc == CURLM_OK && running > 0) {
    mc = lib.multi_poll(t.multi.get(), stopFd.fd >= 0 ? &stopFd : nullptr, stopFd.fd >= 0 ? 1 : 0,
                        static_cast<int>(interval.count()), nullptr);
    if (mc != CURLM_OK) break;
    if (linux_platform::StopRequested()) {
      end.cancelled = true;
      break;
    }
    mc = lib.multi_perform(t.multi.get(), &running);
    const auto now = std::chrono::steady_clock::now();

    long headerBytes = 0;
    lib.easy_getinfo(e, CURLINFO_HEADER_SIZE, &headerBytes);
    const std::uint64_t bytes = t.sink.received + static_cast<std::uint64_t>(headerBytes);
    if (bytes != seen) {
      seen = bytes;
      lastActivity = now;
    } else if (running > 0 && now - lastActivity >= limits.stall) {
      end.stalled = true;
      break;
    }

    if (progress && now - lastReport >= interval) {
      lastReport = now;
      curl_off_t length = -1;
      lib.easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      progress(t.sink.received, length > 0 ? static_cast<std::uint64_t>(length) : 0);
    }
  }
  if (mc != CURLM_OK) end.broken = Failed(Why::kBadAnswer, std::string("libcurl: ") + lib.multi_strerror(mc));
  return end;
}

// The result of the ended transfer: what the loop saw, with what libcurl and the callbacks
// tell of the answer.
DownloadResult Judge(Transfer& t, TransferEnd end, const DownloadLimits& limits, std::uint64_t maxBytes) {
  const linux_platform::CurlLibrary& lib = t.lib;
  CURL* e = t.easy.get();
  CURLcode result = CURLE_FAILED_INIT;
  int left = 0;
  while (CURLMsg* msg = lib.multi_info_read(t.multi.get(), &left)) {
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) result = msg->data.result;
  }
  long status = 0;
  lib.easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  lib.multi_remove_handle(t.multi.get(), e);

  end.overCap = t.sink.overCap;
  end.writeFailed = t.sink.writeFailed;
  if (end.broken.Ok() && result != CURLE_OK) end.broken = FromCurl(lib, result, t.errorBuffer, status);
  if (end.broken.Ok() && !t.heads.ended) end.broken = Failed(Why::kBadAnswer, "the answer ended inside its head");
  end.status = t.heads.finalStatus;
  return Verdict(end, limits, maxBytes);
}

}  // namespace

CurlDownloader::CurlDownloader() : CurlDownloader(Limits{}) {}

CurlDownloader::CurlDownloader(Limits limits) : limits_(limits) {}

DownloadResult CurlDownloader::DownloadFile(const std::string& url, const std::string& localPath,
                                            std::uint64_t maxBytes, const Progress& progress) {
  if (linux_platform::StopRequested()) return Failed(Why::kCancelled, "the program is ending");
  // Whatever is at the local path must be the user's to replace: never another user's file
  // planted there, nor a link of theirs.
  const linux_platform::OwnPath own = linux_platform::LookAt(localPath);
  if (!own.problem.empty()) return Failed(Why::kLocalFile, localPath + ": " + own.problem);
  std::string why;
  const linux_platform::CurlLibrary* lib = linux_platform::Curl(&why);
  if (!lib) return Failed(Why::kLocalFile, why);
  TempFile file(localPath);
  if (!file.ok())
    return Failed(Why::kLocalFile, "cannot create a file beside " + localPath + ": " + std::strerror(errno));

  Transfer t(*lib, file, maxBytes);
  if (std::string failed = SetUp(t, url, maxBytes, limits_); !failed.empty())
    return Failed(Why::kLocalFile, std::move(failed));
  const TransferEnd end = Run(t, limits_, progress);
  if (DownloadResult verdict = Judge(t, end, limits_, maxBytes); !verdict.Ok()) return verdict;
  const std::string stored = file.Commit(localPath);
  if (!stored.empty()) return Failed(Why::kLocalFile, stored);
  return {};
}

}  // namespace tavrel
