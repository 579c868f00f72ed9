// Fetching a URL into a local file.
#pragma once

#include <algorithm>
#include <chrono>
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

// The bounds every downloader keeps, whatever carries the transfer.
struct DownloadLimits {
  // Name lookup and TCP connection (the proxy's, when one is used).
  std::chrono::milliseconds connect{15000};
  // The whole transfer, redirects included: at most `total`, and for a smaller cap less, `base`
  // plus the time the cap takes at `slowestRate` bytes a second. Generous, because the release
  // archive may come over a modem line; a dead server is caught by the stall limit.
  std::chrono::milliseconds total{30 * 60 * 1000};
  std::chrono::milliseconds base{60 * 1000};
  std::uint64_t slowestRate = 4096;
  // No byte received for this long (waiting for the answer included) ends the transfer.
  std::chrono::milliseconds stall{30000};
  // Redirects followed before giving up (http and https only).
  long maxRedirects = 5;
  // How often the progress callback runs at most, also while nothing arrives.
  std::chrono::milliseconds progressInterval{50};

  // The bound of a whole transfer of at most maxBytes.
  std::chrono::milliseconds TotalBound(std::uint64_t maxBytes) const {
    const double rate = slowestRate > 0 ? static_cast<double>(slowestRate) : 1.0;
    const double whole = static_cast<double>(std::max<std::int64_t>(total.count(), 1));
    const double start = static_cast<double>(std::max<std::int64_t>(base.count(), 0));
    const double scaled = start + static_cast<double>(maxBytes) * 1000.0 / rate;
    return std::chrono::milliseconds(static_cast<std::int64_t>(std::min(whole, scaled)));
  }
};

// How a transfer ended, in the facts every downloader tells apart.
struct TransferEnd {
  bool cancelled = false;    // the program is ending
  bool stalled = false;      // nothing arrived for the stall limit
  bool overTime = false;     // the whole transfer outran its bound
  bool overCap = false;      // the answer is larger than the cap
  bool writeFailed = false;  // the local file did not take the body
  // The carrier's own failure, in its words: no connection, a reply broken off or incomplete.
  DownloadResult broken;
  long status = 0;  // of the final answer
};

// What the status of a final answer that is no success means.
inline DownloadResult StatusFailure(long status) {
  std::string said = "the server answered " + std::to_string(status);
  if (status == 404 || status == 410) return DownloadResult::Failed(DownloadFailure::kNotFound, std::move(said));
  if (status == 401 || status == 403 || status == 407)
    return DownloadResult::Failed(DownloadFailure::kRefused, std::move(said));
  return DownloadResult::Failed(DownloadFailure::kBadAnswer, std::move(said));
}

// The result of a transfer of at most maxBytes that ended so: the first fact that holds, in the
// order above, decides; a success (the body is then to be stored) only when none holds and the
// final answer was a success.
inline DownloadResult Verdict(const TransferEnd& end, const DownloadLimits& limits, std::uint64_t maxBytes) {
  using Why = DownloadFailure;
  if (end.cancelled) return DownloadResult::Failed(Why::kCancelled, "the program is ending");
  if (end.stalled)
    return DownloadResult::Failed(Why::kTimedOut,
                                  "nothing received for " + std::to_string(limits.stall.count()) + " ms");
  if (end.overTime)
    return DownloadResult::Failed(
        Why::kTimedOut, "the transfer took longer than " + std::to_string(limits.TotalBound(maxBytes).count()) + " ms");
  if (end.overCap)
    return DownloadResult::Failed(Why::kTooLarge, "the answer is larger than " + std::to_string(maxBytes) + " bytes");
  if (end.writeFailed) return DownloadResult::Failed(Why::kLocalFile, "writing the downloaded file failed");
  if (!end.broken.Ok()) return end.broken;
  if (end.status < 200 || end.status > 299) return StatusFailure(end.status);
  return {};
}

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
