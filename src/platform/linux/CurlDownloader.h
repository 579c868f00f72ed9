// Fetching a URL into a file with libcurl: always a fresh copy, bounded in time and size.
#pragma once

#include <chrono>
#include <string>

#include "core/IDownloader.h"

namespace tavrel {

class CurlDownloader : public IDownloader {
 public:
  using Limits = DownloadLimits;

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
  std::chrono::milliseconds TotalBound(std::uint64_t maxBytes) const { return limits_.TotalBound(maxBytes); }

 private:
  Limits limits_;
};

}  // namespace tavrel
