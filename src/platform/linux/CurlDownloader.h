// Fetching a URL into a file with libcurl: always a fresh copy, bounded in time and size.
#pragma once

#include <chrono>
#include <string>

#include "core/IDownloader.h"

namespace tavrel {

class CurlDownloader : public IDownloader {
 public:
  struct Limits {
    // Name lookup and TCP connection (the proxy's, when one is used).
    std::chrono::milliseconds connect{15000};
    // The whole transfer, redirects included: at most `total`, and for a smaller cap less,
    // `base` plus the time the cap takes at `slowestRate` bytes a second. Generous, because the
    // release archive may come over a modem line; a dead server is caught by the stall limit.
    std::chrono::milliseconds total{30 * 60 * 1000};
    std::chrono::milliseconds base{60 * 1000};
    std::uint64_t slowestRate = 4096;
    // No byte received for this long (waiting for the answer included) ends the transfer.
    std::chrono::milliseconds stall{30000};
    // Redirects followed before giving up.
    long maxRedirects = 5;
    // How often the progress callback runs at most, also while nothing arrives.
    std::chrono::milliseconds progressInterval{50};
  };

  CurlDownloader();
  explicit CurlDownloader(Limits limits);

  // The body goes into a private temporary file beside localPath, which is renamed over
  // localPath only after the final answer's head ended properly with a 2xx status and its body
  // arrived whole; on any failure the temporary file is removed and localPath is left as it was.
  // A localPath that is not the user's to replace (another user's file or link, a folder) is
  // refused before anything is fetched. http_proxy / no_proxy from the environment are honoured
  // (libcurl's own rule); only http and https are fetched, redirects included. A stop request
  // (StopRequest.h) cancels the transfer at once.
  DownloadResult DownloadFile(const std::string& url, const std::string& localPath, std::uint64_t maxBytes,
                              const Progress& progress) override;

  // The bound of a whole transfer of at most maxBytes.
  std::chrono::milliseconds TotalBound(std::uint64_t maxBytes) const;

 private:
  Limits limits_;
};

}  // namespace tavrel
