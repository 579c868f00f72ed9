// Fetching a URL into a local file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace tavrel {

// Why a transfer failed, in the kinds the update window tells apart.
enum class DownloadFailure {
  kNone,       // it succeeded
  kNotFound,   // the server has no such file
  kRefused,    // the server, or the way to it, refused the request (connection or access)
  kTimedOut,   // no answer, or the transfer stalled or outran its time bound
  kTooLarge,   // larger than the size allowed
  kNoHost,     // the server's name could not be found
  kBadAnswer,  // any other answer than a complete success (a server error, a redirect that
               // led nowhere, a reply cut short)
  kLocalFile,  // the file could not be stored here
  kCancelled,  // the program is ending: nothing more is to be done with the result
};

struct DownloadResult {
  DownloadFailure failure = DownloadFailure::kNone;
  // The platform's own words for what happened, one line ("the server answered 404",
  // "Connection refused"); empty after a success.
  std::string detail;

  bool Ok() const { return failure == DownloadFailure::kNone; }
  static DownloadResult Failed(DownloadFailure why, std::string detail) { return {why, std::move(detail)}; }
};

class IDownloader {
 public:
  virtual ~IDownloader() = default;
  // Called while a transfer runs: bytes received so far and the total (0 when unknown).
  using Progress = std::function<void(std::uint64_t received, std::uint64_t total)>;
  // Fetches url into localPath without using a cached copy. Succeeds only when the server's
  // final answer was a success and its whole body (at most maxBytes) was stored. Bounded in time.
  // A failed transfer leaves no partial file at localPath.
  virtual DownloadResult DownloadFile(const std::string& url, const std::string& localPath, std::uint64_t maxBytes,
                                      const Progress& progress) = 0;
};

}  // namespace tavrel
