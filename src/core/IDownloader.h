// Fetching a URL into a local file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tavrel {

class IDownloader {
 public:
  virtual ~IDownloader() = default;
  // Called while a transfer runs: bytes received so far and the total (0 when unknown).
  using Progress = std::function<void(std::uint64_t received, std::uint64_t total)>;
  // Fetches url into localPath without using a cached copy. True only when the server answered
  // with success and the whole body (at most maxBytes) was stored. Bounded in time. A failed
  // transfer leaves no partial file at localPath.
  virtual bool DownloadFile(const std::string& url, const std::string& localPath,
                            std::uint64_t maxBytes, const Progress& progress) = 0;
};

}  // namespace tavrel
