#include "platform/linux/CurlDownloader.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "contracts/http_server.h"
#include "platform/linux/StopRequest.h"
#include "platform_linux/settings_test_util.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using testhttp::Reply;
using testhttp::Request;
using testhttp::Server;
using Clock = std::chrono::steady_clock;
using Limits = CurlDownloader::Limits;
using ms = std::chrono::milliseconds;

constexpr std::uint64_t kMiB = 1u << 20;

Limits Quick(ms total = 5s, ms stall = 2s) { return {.connect = 2s, .total = total, .stall = stall}; }

Reply Slow(std::string body, ms delay, std::size_t chunk = 1u << 16, ms pause = 0ms) {
  return {.body = std::move(body), .delay = delay, .chunkSize = chunk, .chunkPause = pause};
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's proxy settings must not reroute loopback traffic.
    for (const char* v : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(v);
  }
  // Every entry of the scratch folder, dot-files included.
  std::vector<std::string> Files() const { return testutil::Names(dir.path()); }
  std::string Content() const { return testutil::Slurp(target).value_or("<none>"); }

  testutil::Scratch dir;
  const std::string target = dir / "tavrel.txt";
};

// A plain answer and a few redirects are the contract's (tests/contracts); here the most
// redirects followed, an answer slower than the stall bound that never stalls, and the copy's mode.
TEST_F(Download, FiveRedirectsAndASlowSteadyAnswerGiveAFreshPrivateCopy) {
  ASSERT_TRUE(testutil::Spit(target, "old text that is longer than the new one"));
  Server server([](const Request& r) {
    const char last = r.target.back();
    if (last == '6') return Slow(std::string(800, 's'), 0ms, 100, 300ms);  // 2.1 s, never 1 s without a byte
    const int codes[] = {301, 302, 307, 308, 302};
    return testhttp::Redirect(std::string("/r") + char(last + 1), codes[last - '1']);
  });
  const DownloadResult r = CurlDownloader(Quick(5s, 1s)).DownloadFile(server.Url("/r1"), target, kMiB, nullptr);
  ASSERT_TRUE(r.Ok()) << r.detail;
  EXPECT_EQ(Content(), std::string(800, 's'));
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 6u);
  for (const auto& r : reqs) EXPECT_EQ(r.Header("pragma"), "no-cache");  // no cached answer, on every hop
}

TEST_F(Download, EveryFailureEndsWithinItsBoundAndLeavesTheOldFile) {
  Limits capBound{.total = 60s, .base = 500ms, .slowestRate = 1000};  // a 500-byte cap adds 500 ms
  struct Case {
    const char* name;
    Reply answer;
    DownloadFailure why;
    Limits limits;
    std::uint64_t cap = kMiB;
    ms atMost = 30s;  // far below what the server would take: the bound, not the server, ends it
    ms atLeast = 0ms;
  };
  using F = DownloadFailure;
  // The failures every platform shares are the contract's (tests/contracts); these are libcurl's
  // bounds and protocols.
  const Case cases[] = {
      {"answer slower than the timeout", Slow("late", 300s), F::kTimedOut, Quick(1s, 200s), kMiB, 30s, 900ms},
      {"bound shortened by a small cap", Slow("late", 300s), F::kTimedOut, capBound, 500, 30s, 900ms},
      {"trickle slower than the timeout", Slow(std::string(4000, 'z'), 0ms, 100, 1s), F::kTimedOut, Quick(1s)},
      {"stalled transfer", Slow(std::string(200, 'z'), 0ms, 100, 300s), F::kTimedOut, Quick(200s, 1s), kMiB, 60s},
      {"redirect to a file", testhttp::Redirect("file:///etc/passwd"), F::kBadAnswer, Quick()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(testutil::Spit(target, "older"));
    Server server([&c](const Request&) { return c.answer; });
    CurlDownloader d(c.limits);
    const auto start = Clock::now();
    const DownloadResult r = d.DownloadFile(server.Url("/v.txt"), target, c.cap, nullptr);
    const auto took = Clock::now() - start;
    EXPECT_EQ(r.failure, c.why) << r.detail;
    EXPECT_LT(took, c.atMost);
    EXPECT_GE(took, c.atLeast);
    EXPECT_EQ(Content(), "older");
    EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
  }
}

TEST_F(Download, ProgressRunsWhileWaitingAndWhileReceiving) {
  Server server([](const Request&) { return Slow(std::string(3000, 'p'), 1500ms, 1000, 150ms); });
  CurlDownloader d(Quick());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  ASSERT_TRUE(d.DownloadFile(server.Url("/v.zip"), target, kMiB, [&](std::uint64_t got, std::uint64_t total) {
                 calls.emplace_back(got, total);
               }).Ok());
  // About every 50 ms over 1.8 s, the silent 1.5 s included (far fewer asked for: a loaded machine).
  ASSERT_GE(calls.size(), 6u);
  int before = 0;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    before += calls[i].first == 0;
    EXPECT_LE(calls[i > 0 ? i - 1 : 0].first, calls[i].first);
  }
  EXPECT_GE(before, 3);  // the window keeps repainting before the first byte
  EXPECT_EQ(calls.back().second, 3000u);
}

TEST_F(Download, AStopRequestCancelsATransferAtOnce) {
  ASSERT_TRUE(testutil::Spit(target, "older"));
  Server server([](const Request&) { return Slow(std::string(4000, 'z'), 0ms, 10, 200ms); });
  CurlDownloader d(Quick(300s, 200s));
  std::thread stopper([] {
    std::this_thread::sleep_for(300ms);
    linux_platform::RequestStop();
  });
  const auto start = Clock::now();
  EXPECT_EQ(d.DownloadFile(server.Url("/v.zip"), target, kMiB, nullptr).failure, DownloadFailure::kCancelled);
  EXPECT_LT(Clock::now() - start, 30s) << "the transfer itself would take 80 s";
  stopper.join();
  // Nothing starts while the program is stopping.
  EXPECT_EQ(d.DownloadFile(server.Url("/v.zip"), target, kMiB, nullptr).failure, DownloadFailure::kCancelled);
  linux_platform::ClearStopRequest();
  EXPECT_EQ(Content(), "older");
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
}

}  // namespace
}  // namespace tavrel
