// Fetching a URL into a file with WinINet: always a fresh copy, bounded in time and size.
//
// URLDownloadToFileA, the call the program once made, is not used: it reports success for a 404
// or a 500 (it saves the server's error page as the file), it has no time bound (a server that
// accepts the connection and never answers holds it for minutes and then "succeeds" with an
// empty file), it cannot limit the size, and it writes straight into the target, so a transfer
// that fails half-way leaves a broken file behind.
#pragma once

#include <chrono>
#include <string>

#include "core/IDownloader.h"

namespace tavrel {

class WinInetDownloader : public IDownloader {
 public:
  using Limits = DownloadLimits;

  WinInetDownloader();
  explicit WinInetDownloader(Limits limits);

  // The transfer runs on a helper thread; this call waits for it, runs the progress callback
  // every progressInterval meanwhile, and ends it when a bound is passed. The body goes into a
  // temporary file beside localPath, moved over localPath only after a final 2xx answer whose
  // whole body arrived (as long as announced, at most maxBytes); on any failure the temporary
  // file is removed and localPath is left as it was. Caches are neither read nor written; the
  // system's proxy settings apply. An answer that does not announce its length is refused
  // (kBadAnswer): through WinINet a cut-off one cannot be told from a whole one.
  DownloadResult DownloadFile(const std::string& url, const std::string& localPath, std::uint64_t maxBytes,
                              const Progress& progress) override;

  // The bound of a whole transfer of at most maxBytes.
  std::chrono::milliseconds TotalBound(std::uint64_t maxBytes) const { return limits_.TotalBound(maxBytes); }

 private:
  Limits limits_;
};

}  // namespace tavrel
