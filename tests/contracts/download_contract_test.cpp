// What a download promises on every platform: success only for a final 2xx answer whose whole
// body arrived, never a cached copy, bounded in time and size, the file replaced in one step,
// nothing left behind when anything fails, and the kind of each failure.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "contracts/Contracts.h"
#include "contracts/http_server.h"

namespace tavrel::contract {
namespace {

using namespace std::chrono_literals;
using testhttp::Reply;
using testhttp::Request;
using testhttp::Server;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kCap = 1u << 20;

class DownloadContract : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir.path().empty()); }
  std::vector<std::string> Files() const { return Names(dir.path()); }
  Scratch dir;
  const std::string target = dir / "tavrel.txt";
};

TEST_F(DownloadContract, AFinalSuccessfulAnswerReplacesTheFileWithAFreshCopy) {
  const struct {
    const char* name;
    std::function<Reply(const Request&)> answer;
    std::string body;
    std::size_t requests;
    std::uint64_t cap = kCap;
  } cases[] = {
      {"found", [](const Request&) { return testhttp::Body("Tavrel 1.0.2\r\n"); }, "Tavrel 1.0.2\r\n", 1},
      {"exactly the cap", [](const Request&) { return testhttp::Body(std::string(1000, 'c')); }, std::string(1000, 'c'),
       1, 1000},
      {"an empty body", [](const Request&) { return testhttp::Body(""); }, "", 1},
      {"three redirects",
       [](const Request& r) {
         if (r.target == "/v.txt") return testhttp::Redirect("/r1", 301);
         if (r.target == "/r1") return testhttp::Redirect("http://" + r.Header("host") + "/r2");
         if (r.target == "/r2") return testhttp::Redirect("/r3", 307);
         return testhttp::Body("arrived");
       },
       "arrived", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Spit(target, "old text that is longer than the new one"));
    Server server(c.answer);
    const auto d = MakeDownloader(2s, 2s, 10s);
    const DownloadResult r = d->DownloadFile(server.Url("/v.txt"), target, c.cap, nullptr);
    ASSERT_TRUE(r.Ok()) << r.detail;
    EXPECT_EQ(r.detail, "");
    EXPECT_EQ(Slurp(target), c.body);
    EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
    const auto reqs = server.Requests();
    ASSERT_EQ(reqs.size(), c.requests);
    for (const auto& r : reqs) {  // no cached answer, on every hop
      EXPECT_EQ(r.method, "GET");
      EXPECT_EQ(r.Header("cache-control"), "no-cache");
      EXPECT_EQ(r.Header("if-modified-since") + r.Header("if-none-match"), "");
    }
  }
}

TEST_F(DownloadContract, EveryFailureEndsInTimeAndLeavesTheOldFileAlone) {
  const auto is = [](Reply r) { return [r](const Request&) { return r; }; };
  using Why = DownloadFailure;
  const struct {
    const char* name;
    std::function<Reply(const Request&)> answer;  // none: nothing listens
    Why why;
    std::string url = "";
    int requests = -1;
    std::uint64_t cap = kCap;
    const char* into = "tavrel.txt";
  } cases[] = {
      {"404", is(testhttp::Status(404)), Why::kNotFound},
      {"410", is(testhttp::Status(410)), Why::kNotFound},
      {"403", is(testhttp::Status(403)), Why::kRefused},
      {"500", is(testhttp::Status(500)), Why::kBadAnswer},
      {"a final redirect without a place", is(testhttp::Status(302)), Why::kBadAnswer},
      {"head cut off", is(Reply{.raw = std::string("HTTP/1.1 200 OK\r\nContent-Le")}), Why::kBadAnswer},
      {"nothing but a status line", is(Reply{.raw = std::string("HTTP/1.1 200 OK\r\n")}), Why::kBadAnswer},
      {"body cut short", is(Reply{.body = std::string(500, 'a'), .announcedLength = 1000}), Why::kBadAnswer},
      {"a server that never answers", is(Reply{.delay = 60s}), Why::kTimedOut},
      {"a body that stops half-way", is(Reply{.body = std::string(400, 'z'), .chunkSize = 200, .chunkPause = 60s}),
       Why::kTimedOut},
      {"redirect loop", is(testhttp::Redirect("/loop")), Why::kBadAnswer, "", 6},
      {"announced length over the cap",
       is(Reply{.body = "bb", .announcedLength = 600u << 20, .chunkSize = 1, .chunkPause = 10s}), Why::kTooLarge, "",
       -1, 1000},
      {"body over the cap without a length", is(Reply{.body = std::string(5000, 'b'), .withLength = false}),
       Why::kTooLarge, "", -1, 1000},
      {"nothing listens", nullptr, Why::kRefused, Server([](const Request&) { return Reply(); }).Url("/v.txt")},
      {"not http", nullptr, Why::kBadAnswer, "file:///C:/windows/win.ini"},
      {"a missing folder", is(testhttp::Body("x")), Why::kLocalFile, "", -1, kCap, "missing/tavrel.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Spit(target, "older"));
    std::optional<Server> server;
    if (c.answer) server.emplace(c.answer);
    const auto d = MakeDownloader(2s, 1s, 10s);
    const auto start = Clock::now();
    const std::string url = c.url.empty() ? server->Url("/v.txt") : c.url;
    const DownloadResult r = d->DownloadFile(url, (dir.path() / c.into).string(), c.cap, nullptr);
    EXPECT_EQ(r.failure, c.why) << r.detail;
    EXPECT_NE(r.detail, "");
    EXPECT_EQ(r.detail.find_first_of("\r\n"), std::string::npos) << "one line";
    EXPECT_LT(Clock::now() - start, 30s) << "bounded, however the server behaves";
    EXPECT_EQ(Slurp(target), "older");
    EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
    if (c.requests >= 0) { EXPECT_EQ(server->Requests().size(), std::size_t(c.requests)); }
  }
}

}  // namespace
}  // namespace tavrel::contract
