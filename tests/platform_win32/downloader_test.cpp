// What the WinINet downloader adds to the download contract: progress while waiting, the bound of
// the whole transfer, and the refusal of answers whose end WinINet cannot see.
#include "platform/win32/WinInetDownloader.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "contracts/Contracts.h"
#include "contracts/http_server.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using testhttp::Reply;
using testhttp::Request;
using testhttp::Server;

WinInetDownloader::Limits Quick() { return {.connect = 2s, .total = 10s, .base = 10s, .stall = 1s}; }

TEST(WinInetDownload, AnAnswerWhoseEndCannotBeSeenIsRefused) {
  contract::Scratch dir;
  const auto is = [](Reply r) { return [r](const Request&) { return r; }; };
  const struct {
    const char* name;
    std::function<Reply(const Request&)> answer;
  } cases[] = {
      {"chunked", is(Reply{.raw = std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                              "5\r\nhello\r\n0\r\n\r\n")})},
      {"ended by the closing connection", is(Reply{.body = "abc", .withLength = false})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Server server(c.answer);
    ASSERT_TRUE(contract::Spit(dir / "tavrel.txt", "older"));
    const DownloadResult r =
        WinInetDownloader(Quick()).DownloadFile(server.Url("/v.txt"), dir / "tavrel.txt", 1u << 20, nullptr);
    EXPECT_EQ(r.failure, DownloadFailure::kBadAnswer);
    EXPECT_EQ(r.detail, "the answer does not say how long it is");
    EXPECT_EQ(contract::Slurp(dir / "tavrel.txt"), "older");
  }
}

TEST(WinInetDownload, ProgressRunsWhileWaitingAndEndsWithTheWhole) {
  contract::Scratch dir;
  Server server([](const Request&) {
    return Reply{.body = std::string(3000, 'p'), .delay = 400ms, .chunkSize = 1000, .chunkPause = 150ms};
  });
  WinInetDownloader d(Quick());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  ASSERT_TRUE(d.DownloadFile(server.Url("/v.zip"), dir / "tavrel_upd.zip", 1u << 20,
                             [&](std::uint64_t got, std::uint64_t total) { calls.emplace_back(got, total); })
                  .Ok());
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls.front().first, 0u) << "the window repaints before the first byte";
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1].first, calls[i].first);
  EXPECT_EQ(calls.back(), (std::pair<std::uint64_t, std::uint64_t>{3000, 3000}));
}

TEST(WinInetDownload, TheWholeTransferIsBoundedByTheCapsTime) {
  WinInetDownloader::Limits l;  // 60 s + the cap at 4 KiB/s, 30 min at most
  WinInetDownloader d(l);
  EXPECT_EQ(d.TotalBound(1u << 20), 60s + 256s);
  EXPECT_EQ(d.TotalBound(~std::uint64_t{0}), 30min);

  contract::Scratch dir;
  Server trickle([](const Request&) {
    return Reply{.body = std::string(40, 't'), .chunkSize = 1, .chunkPause = 100ms};  // never stalls
  });
  WinInetDownloader bounded({.total = 1s, .base = 1s, .stall = 5s});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(bounded.DownloadFile(trickle.Url("/v.txt"), dir / "tavrel.txt", 1u << 20, nullptr).failure,
            DownloadFailure::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

}  // namespace
}  // namespace tavrel
