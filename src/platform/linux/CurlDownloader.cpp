#include "platform/linux/CurlDownloader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "core/BuildInfo.h"

namespace tavrel {

using namespace std::chrono_literals;

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* e) const { curl_easy_cleanup(e); }
};
struct MultiDeleter {
  void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// The temporary file beside the target: created private, removed unless Commit succeeded.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    const auto slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    path_ = dir + (slash == std::string::npos ? "/" : "") + "." + name + ".part-XXXXXX";
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    if (fd_ < 0) path_.clear();
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

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

  // Flushes, closes and renames the file over target. False (file removed) when any step failed.
  bool Commit(const std::string& target, std::string& error) {
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed) {
      error = std::string("writing the downloaded file: ") + std::strerror(errno);
      return false;
    }
    if (::rename(path_.c_str(), target.c_str()) != 0) {
      error = "storing " + target + ": " + std::strerror(errno);
      return false;
    }
    path_.clear();
    return true;
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

long AtLeast(long v, long min) { return v < min ? min : v; }

}  // namespace

CurlDownloader::CurlDownloader() : CurlDownloader(Limits{}) {}

std::chrono::milliseconds CurlDownloader::TotalBound(std::uint64_t maxBytes) const {
  const double rate = limits_.slowestRate > 0 ? static_cast<double>(limits_.slowestRate) : 1.0;
  const double total = static_cast<double>(std::max<std::int64_t>(limits_.total.count(), 1));
  const double base = static_cast<double>(std::max<std::int64_t>(limits_.base.count(), 0));
  const double scaled = base + static_cast<double>(maxBytes) * 1000.0 / rate;
  return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(total, scaled)));
}

CurlDownloader::CurlDownloader(Limits limits) : limits_(limits) { GlobalInit(); }

bool CurlDownloader::DownloadFile(const std::string& url, const std::string& localPath,
                                  std::uint64_t maxBytes, const Progress& progress) {
  lastError_.clear();
  TempFile file(localPath);
  if (!file.ok()) {
    lastError_ = "cannot create a file beside " + localPath + ": " + std::strerror(errno);
    return false;
  }

  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!easy || !multi) {
    lastError_ = "libcurl could not be initialised";
    return false;
  }

  // Refuse cached answers from the server and from any proxy on the way.
  curl_slist* headers = nullptr;
  for (const char* h : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
    curl_slist* longer = curl_slist_append(headers, h);
    if (!longer) {
      curl_slist_free_all(headers);
      lastError_ = "out of memory";
      return false;
    }
    headers = longer;
  }
  const std::unique_ptr<curl_slist, ListDeleter> headerList(headers);

  Sink sink{&file, maxBytes};
  char errorBuffer[CURL_ERROR_SIZE] = {};
  const std::string agent = std::string("Tavrel/") + std::to_string(build::kVersionMajor) + "." +
                            std::to_string(build::kVersionMinor) + "." +
                            std::to_string(build::kVersionRevision);
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, limits_.maxRedirects);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);  // 4xx and 5xx end the transfer, body unwritten
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, AtLeast(static_cast<long>(limits_.connect.count()), 1));
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, AtLeast(static_cast<long>(TotalBound(maxBytes).count()), 1));
  // An announced Content-Length over the cap ends the transfer before the body (0 would mean
  // "no limit" to libcurl; the write callback enforces the cap in every case).
  if (maxBytes > 0 && maxBytes <= static_cast<std::uint64_t>(INT64_MAX))
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);

  if (curl_multi_add_handle(multi.get(), e) != CURLM_OK) {
    lastError_ = "libcurl could not start the transfer";
    return false;
  }

  // The multi interface lets the progress callback run at a steady pace even while the server
  // sends nothing, so the window keeps repainting. libcurl bounds connecting and the whole
  // transfer; the stall limit is watched here, because libcurl's own low-speed check averages
  // over several seconds and reacts late to a transfer that stops half-way.
  const auto interval = limits_.progressInterval.count() > 0 ? limits_.progressInterval : 50ms;
  const auto start = std::chrono::steady_clock::now();
  auto lastReport = start - interval;
  auto lastActivity = start;
  std::uint64_t seen = 0;  // header and body bytes so far
  bool stalled = false;
  int running = 0;
  CURLMcode mc = curl_multi_perform(multi.get(), &running);
  while (mc == CURLM_OK && running > 0) {
    mc = curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(interval.count()), nullptr);
    if (mc != CURLM_OK) break;
    mc = curl_multi_perform(multi.get(), &running);
    const auto now = std::chrono::steady_clock::now();

    long headerBytes = 0;
    curl_easy_getinfo(e, CURLINFO_HEADER_SIZE, &headerBytes);
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
      curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      progress(sink.received, length > 0 ? static_cast<std::uint64_t>(length) : 0);
    }
  }

  CURLcode result = CURLE_FAILED_INIT;
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(multi.get(), &left)) {
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == e) result = msg->data.result;
  }
  long status = 0;
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
  curl_multi_remove_handle(multi.get(), e);

  if (stalled) {
    lastError_ = "nothing received for " + std::to_string(limits_.stall.count()) + " ms";
    return false;
  }
  if (mc != CURLM_OK) {
    lastError_ = std::string("libcurl: ") + curl_multi_strerror(mc);
    return false;
  }
  if (sink.overCap) {
    lastError_ = "the answer is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  if (sink.writeFailed) {
    lastError_ = std::string("writing the downloaded file failed");
    return false;
  }
  if (result != CURLE_OK) {
    lastError_ = errorBuffer[0] ? errorBuffer : curl_easy_strerror(result);
    return false;
  }
  if (status < 200 || status > 299) {
    lastError_ = "the server answered " + std::to_string(status);
    return false;
  }
  return file.Commit(localPath, lastError_);
}

}  // namespace tavrel
