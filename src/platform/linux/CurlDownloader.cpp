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

DownloadResult FromStatus(long status) {
  const std::string said = "the server answered " + std::to_string(status);
  if (status == 404 || status == 410) return Failed(Why::kNotFound, said);
  if (status == 401 || status == 403 || status == 407) return Failed(Why::kRefused, said);
  return Failed(Why::kBadAnswer, said);
}

DownloadResult FromCurl(const linux_platform::CurlLibrary& lib, CURLcode code, const char* words, long status) {
  const std::string detail = words && *words ? words : lib.easy_strerror(code);
  switch (code) {
    case CURLE_HTTP_RETURNED_ERROR: return FromStatus(status);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return Failed(Why::kNoHost, detail);
    case CURLE_COULDNT_CONNECT: return Failed(Why::kRefused, detail);
    case CURLE_OPERATION_TIMEDOUT: return Failed(Why::kTimedOut, detail);
    case CURLE_FILESIZE_EXCEEDED: return Failed(Why::kTooLarge, detail);
    case CURLE_WRITE_ERROR: return Failed(Why::kLocalFile, detail);
    default: return Failed(Why::kBadAnswer, detail);
  }
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

  std::unique_ptr<CURL, EasyDeleter> easy(lib->easy_init(), EasyDeleter{lib});
  std::unique_ptr<CURLM, MultiDeleter> multi(lib->multi_init(), MultiDeleter{lib});
  if (!easy || !multi) return Failed(Why::kLocalFile, "libcurl could not be initialised");

  // Refuse cached answers from the server and from any proxy on the way.
  curl_slist* headers = nullptr;
  for (const char* h : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
    curl_slist* longer = lib->slist_append(headers, h);
    if (!longer) {
      lib->slist_free_all(headers);
      return Failed(Why::kLocalFile, "out of memory");
    }
    headers = longer;
  }
  const std::unique_ptr<curl_slist, ListDeleter> headerList(headers, ListDeleter{lib});

  Sink sink{&file, maxBytes};
  Heads heads;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  const std::string agent = std::string("Tavrel/") + std::to_string(build::kVersionMajor) + "." +
                            std::to_string(build::kVersionMinor) + "." + std::to_string(build::kVersionRevision);
  CURL* e = easy.get();
  lib->easy_setopt(e, CURLOPT_URL, url.c_str());
  lib->easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer);
  lib->easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  lib->easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  lib->easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  lib->easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  lib->easy_setopt(e, CURLOPT_MAXREDIRS, limits_.maxRedirects);
  lib->easy_setopt(e, CURLOPT_HTTPHEADER, headers);
  lib->easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  lib->easy_setopt(e, CURLOPT_FAILONERROR, 1L);  // 4xx and 5xx end the transfer, body unwritten
  lib->easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, AtLeast(static_cast<long>(limits_.connect.count()), 1));
  lib->easy_setopt(e, CURLOPT_TIMEOUT_MS, AtLeast(static_cast<long>(TotalBound(maxBytes).count()), 1));
  // An announced Content-Length over the cap ends the transfer before the body (0 would mean
  // "no limit" to libcurl; the write callback enforces the cap in every case).
  if (maxBytes > 0 && maxBytes <= static_cast<std::uint64_t>(INT64_MAX))
    lib->easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  lib->easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteBody);
  lib->easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  lib->easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
  lib->easy_setopt(e, CURLOPT_HEADERDATA, &heads);

  if (lib->multi_add_handle(multi.get(), e) != CURLM_OK)
    return Failed(Why::kLocalFile, "libcurl could not start the transfer");

  // The multi interface lets the progress callback run at a steady pace even while the server
  // sends nothing, so the window keeps repainting, and lets a stop request end the wait at once.
  // libcurl bounds connecting and the whole transfer; the stall limit is watched here, because
  // libcurl's own low-speed check averages over several seconds and reacts late to a transfer
  // that stops half-way.
  const auto interval = limits_.progressInterval.count() > 0 ? limits_.progressInterval : 50ms;
  const auto start = std::chrono::steady_clock::now();
  auto lastReport = start - interval;
  auto lastActivity = start;
  std::uint64_t seen = 0;  // header and body bytes so far
  bool stalled = false;
  bool cancelled = false;
  int running = 0;
  curl_waitfd stopFd{linux_platform::StopFd(), CURL_WAIT_POLLIN, 0};
  CURLMcode mc = lib->multi_perform(multi.get(), &running);
  while (mc == CURLM_OK && running > 0) {
    mc = lib->multi_poll(multi.get(), stopFd.fd >= 0 ? &stopFd : nullptr, stopFd.fd >= 0 ? 1 : 0,
                         static_cast<int>(interval.count()), nullptr);
    if (mc != CURLM_OK) break;
    if (linux_platform::StopRequested()) {
      cancelled = true;
      break;
    }
    mc = lib->multi_perform(multi.get(), &running);
    const auto now = std::chrono::steady_clock::now();

    long headerBytes = 0;
    lib->easy_getinfo(e, CURLINFO_HEADER_SIZE, &headerBytes);
    const std::uint64_t bytes = sink.received + static_cast<std::uint64_t>(headerBytes);
    if (bytes != seen) {
      seen = bytes;
      lastActivity = now;
    } else if (running > 0 && now - lastActivity >= limits_.stall) {
      stalled = true;
      break;
    }

    if (progress && now - lastReport >= interval) {
      lastReport = now;
      curl_off_t length = -1;
      lib->easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      progress(sink.received, length > 0 ? static_cast<std::uint64_t>(length) : 0);
    }
  }

  CURLcode result = CURLE_FAILED_INIT;
  int left = 0;
  while (CURLMsg* msg = lib->multi_info_read(multi.get(), &left)) {
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) result = msg->data.result;
  }
  long status = 0;
  lib->easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  lib->multi_remove_handle(multi.get(), e);

  if (cancelled) return Failed(Why::kCancelled, "the program is ending");
  if (stalled) return Failed(Why::kTimedOut, "nothing received for " + std::to_string(limits_.stall.count()) + " ms");
  if (mc != CURLM_OK) return Failed(Why::kBadAnswer, std::string("libcurl: ") + lib->multi_strerror(mc));
  if (sink.overCap) return Failed(Why::kTooLarge, "the answer is larger than " + std::to_string(maxBytes) + " bytes");
  if (sink.writeFailed) return Failed(Why::kLocalFile, "writing the downloaded file failed");
  if (result != CURLE_OK) return FromCurl(*lib, result, errorBuffer, status);
  if (!heads.ended) return Failed(Why::kBadAnswer, "the answer ended inside its head");
  if (heads.finalStatus < 200 || heads.finalStatus > 299) return FromStatus(heads.finalStatus);
  const std::string stored = file.Commit(localPath);
  if (!stored.empty()) return Failed(Why::kLocalFile, stored);
  return {};
}

}  // namespace tavrel
