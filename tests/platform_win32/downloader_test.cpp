// What the WinINet downloader adds to the download contract: why a transfer failed, progress
// while waiting, and the refusal of answers whose end WinINet cannot see.
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
using Failure = WinInetDownloader::Failure;

WinInetDownloader::Limits Quick() { return {.connect = 2s, .total = 10s, .base = 10s, .stall = 1s}; }

TEST(WinInetDownload, EachFailureSaysWhatKindItWas) {
  contract::Scratch dir;
  const auto is = [](Reply r) { return [r](const Request&) { return r; }; };
  const struct {
    const char* name;
    std::function<Reply(const Request&)> answer;
    Failure failure;
    std::uint64_t cap = 1u << 20;
  } cases[] = {
      {"404", is(testhttp::Status(404)), Failure::kNotFound},
      {"500", is(testhttp::Status(500)), Failure::kOther},
      {"nothing listens", nullptr, Failure::kRefused},
      {"no answer", is(Reply{.delay = 60s}), Failure::kTimedOut},
      {"too large", is(testhttp::Body(std::string(2000, 'x'))), Failure::kTooLarge, 1000},
      {"chunked", is(Reply{.raw = std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n")}), Failure::kOther},
      {"length unknown", is(Reply{.body = "abc", .withLength = false}), Failure::kOther},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<Server> server;
    const std::string url = c.answer ? server.emplace(c.answer).Url("/v.txt")
                                     : Server([](const Request&) { return Reply(); }).Url("/v.txt");
    WinInetDownloader d(Quick());
    EXPECT_FALSE(d.DownloadFile(url, dir / "tavrel.txt", c.cap, nullptr));
    EXPECT_EQ(d.LastFailure(), c.failure) << d.LastError();
    EXPECT_NE(d.LastError(), "");
  }
  Server ok([](const Request&) { return testhttp::Body("fine"); });
  WinInetDownloader d(Quick());
  EXPECT_TRUE(d.DownloadFile(ok.Url("/v.txt"), dir / "tavrel.txt", 100, nullptr));
  EXPECT_EQ(d.LastFailure(), Failure::kNone);
  EXPECT_EQ(d.LastError(), "");
}

TEST(WinInetDownload, ProgressRunsWhileWaitingAndEndsWithTheWhole) {
  contract::Scratch dir;
  Server server([](const Request&) {
    return Reply{.body = std::string(3000, 'p'), .delay = 400ms, .chunkSize = 1000, .chunkPause = 150ms};
  });
  WinInetDownloader d(Quick());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  ASSERT_TRUE(d.DownloadFile(server.Url("/v.zip"), dir / "tavrel_upd.zip", 1u << 20,
                             [&](std::uint64_t got, std::uint64_t total) { calls.emplace_back(got, total); }));
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
  EXPECT_FALSE(bounded.DownloadFile(trickle.Url("/v.txt"), dir / "tavrel.txt", 1u << 20, nullptr));
  EXPECT_EQ(bounded.LastFailure(), Failure::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

}  // namespace
}  // namespace tavrel
