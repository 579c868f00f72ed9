#include "platform/linux/CurlDownloader.h"

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform_linux/download_server.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using testhttp::Reply;
using testhttp::Request;
using testhttp::Server;
using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kMiB = 1u << 20;

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's proxy settings must not reroute loopback traffic; the proxy test sets its own.
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                          "ALL_PROXY", "no_proxy", "NO_PROXY"})
      ::unsetenv(v);
    char tmpl[] = "/tmp/tavrel-download-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    target = dir + "/tavrel.txt";
  }
  void TearDown() override {
    for (const auto& name : Files()) ::unlink((dir + "/" + name).c_str());
    ::rmdir(dir.c_str());
  }

  // Every entry of the scratch folder, dot-files included.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
      while (dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Content(const std::string& path) const {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  void Put(const std::string& path, const std::string& text) const {
    std::ofstream(path, std::ios::binary) << text;
  }

  // Runs one download and measures it.
  bool Fetch(CurlDownloader& d, const std::string& url, std::uint64_t cap = kMiB) {
    const auto start = Clock::now();
    const bool ok = d.DownloadFile(url, target, cap, nullptr);
    elapsed = Clock::now() - start;
    if (!ok) std::cout << "  download failed: " << d.LastError() << "\n";
    return ok;
  }

  static CurlDownloader::Limits Quick() {
    CurlDownloader::Limits l;
    l.connect = 2s;
    l.total = 5s;
    l.stall = 2s;
    return l;
  }

  std::string dir, target;
  Clock::duration elapsed{};
};

// --- Answers ---------------------------------------------------------------------------------

TEST_F(Download, FoundFileIsStoredWhole) {
  Server server([](const Request&) { return testhttp::Body("Tavrel 1.0.2\r\n"); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/downloads/software_updates/tavrel.txt")));
  EXPECT_EQ(d.LastError(), "");
  EXPECT_EQ(Content(target), "Tavrel 1.0.2\r\n");
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
  const auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].method, "GET");
  EXPECT_EQ(reqs[0].target, "/downloads/software_updates/tavrel.txt");
}

TEST_F(Download, RequestRefusesCachedAnswers) {
  Server server([](const Request&) { return testhttp::Body("x"); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/v.txt")));
  const auto req = server.Requests().at(0);
  EXPECT_EQ(req.Header("cache-control"), "no-cache");
  EXPECT_EQ(req.Header("pragma"), "no-cache");
  EXPECT_EQ(req.Header("if-modified-since"), "");
  EXPECT_EQ(req.Header("if-none-match"), "");
}

TEST_F(Download, NewFileReplacesAnOlderOne) {
  Put(target, "old text that is longer than the new one");
  Server server([](const Request&) { return testhttp::Body("new"); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/v.txt")));
  EXPECT_EQ(Content(target), "new");
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
}

TEST_F(Download, EmptyBodyWithSuccessIsAnEmptyFile) {
  Server server([](const Request&) { return testhttp::Status(204); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/v.txt")));
  EXPECT_EQ(Content(target), "");
}

TEST_F(Download, ErrorAnswersStoreNothingAndKeepAnOlderFile) {
  Server server([](const Request& r) {
    if (r.target == "/missing") return testhttp::Status(404);
    if (r.target == "/broken") return testhttp::Status(500);
    return testhttp::Redirect("");  // a redirect with nowhere to go
  });
  CurlDownloader d(Quick());
  for (const char* path : {"/missing", "/broken", "/nowhere"}) {
    EXPECT_FALSE(Fetch(d, server.Url(path))) << path;
    EXPECT_LT(elapsed, 2s) << path;
    EXPECT_TRUE(Files().empty()) << path;
  }
  Put(target, "older");
  EXPECT_FALSE(Fetch(d, server.Url("/missing")));
  EXPECT_EQ(Content(target), "older");
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
}

TEST_F(Download, BodyCutShortOfItsLengthIsNoSuccess) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(500, 'a'));
    r.announcedLength = 1000;  // the connection closes after 500 bytes
    return r;
  });
  CurlDownloader d(Quick());
  EXPECT_FALSE(Fetch(d, server.Url("/v.txt")));
  EXPECT_LT(elapsed, 2s);
  EXPECT_TRUE(Files().empty());
}

// --- Time bounds -----------------------------------------------------------------------------

TEST_F(Download, ConnectionRefusedFailsAtOnce) {
  CurlDownloader d(Quick());
  EXPECT_FALSE(Fetch(d, "http://127.0.0.1:" + std::to_string(testhttp::UnusedPort()) + "/v.txt"));
  EXPECT_LT(elapsed, 1s);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, AnswerSlowerThanTheTimeoutIsAbandoned) {
  Server server([](const Request&) {
    Reply r = testhttp::Body("late");
    r.delay = 10s;
    return r;
  });
  auto limits = Quick();
  limits.total = 1s;
  limits.stall = 30s;
  CurlDownloader d(limits);
  EXPECT_FALSE(Fetch(d, server.Url("/v.txt")));
  EXPECT_GE(elapsed, 900ms);
  EXPECT_LT(elapsed, 2500ms);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, SmallCapsGetAShorterBound) {
  CurlDownloader::Limits limits;  // 30 min at most, 60 s + the cap at 4 KiB/s
  CurlDownloader d(limits);
  EXPECT_EQ(d.TotalBound(kMiB), 60s + 256s);
  EXPECT_EQ(d.TotalBound(512 * kMiB), 30min);
  EXPECT_EQ(d.TotalBound(~std::uint64_t{0}), 30min);
  EXPECT_EQ(d.TotalBound(0), 60s);

  Server server([](const Request&) {
    Reply r = testhttp::Body("late");
    r.delay = 10s;
    return r;
  });
  limits.total = 60s;
  limits.base = 500ms;
  limits.slowestRate = 1000;  // a 500-byte cap adds 500 ms
  CurlDownloader bounded(limits);
  EXPECT_FALSE(Fetch(bounded, server.Url("/v.txt"), 500));
  EXPECT_GE(elapsed, 900ms);
  EXPECT_LT(elapsed, 2500ms);
}

TEST_F(Download, TrickleSlowerThanTheTimeoutLeavesNoPartialFile) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(4000, 'z'));
    r.chunkSize = 100;
    r.chunkPause = 100ms;  // 4 s in all
    return r;
  });
  auto limits = Quick();
  limits.total = 1s;
  CurlDownloader d(limits);
  EXPECT_FALSE(Fetch(d, server.Url("/v.zip")));
  EXPECT_LT(elapsed, 2500ms);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, StalledTransferEndsAfterTheStallLimit) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(100, 'z'));
    r.announcedLength = 200;
    r.hangAfterBody = true;  // half the body, then silence
    return r;
  });
  auto limits = Quick();
  limits.total = 20s;
  limits.stall = 1s;
  CurlDownloader d(limits);
  EXPECT_FALSE(Fetch(d, server.Url("/v.zip")));
  EXPECT_LT(elapsed, 4s);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, SlowButSteadyTransferIsNoStall) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(800, 's'));
    r.chunkSize = 100;
    r.chunkPause = 300ms;  // 2.1 s in all, never 1 s without a byte
    return r;
  });
  auto limits = Quick();
  limits.stall = 1s;
  CurlDownloader d(limits);
  ASSERT_TRUE(Fetch(d, server.Url("/v.zip")));
  EXPECT_EQ(Content(target).size(), 800u);
}

TEST_F(Download, SilentServerEndsAfterTheStallLimit) {
  Server server([](const Request&) {
    Reply r;
    r.silent = true;
    return r;
  });
  auto limits = Quick();
  limits.total = 20s;
  limits.stall = 1s;
  CurlDownloader d(limits);
  EXPECT_FALSE(Fetch(d, server.Url("/v.txt")));
  EXPECT_LT(elapsed, 4s);
  EXPECT_TRUE(Files().empty());
}

// --- Size cap --------------------------------------------------------------------------------

TEST_F(Download, BodyOverTheCapIsAbandonedWithoutALength) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(8 * kMiB, 'b'));
    r.withLength = false;  // the size shows only while it arrives
    return r;
  });
  CurlDownloader d(Quick());
  EXPECT_FALSE(Fetch(d, server.Url("/v.txt"), kMiB));
  EXPECT_LT(elapsed, 2s);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, AnnouncedLengthOverTheCapEndsBeforeTheBody) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(10, 'b'));
    r.announcedLength = 600 * kMiB;
    r.hangAfterBody = true;  // would keep the client waiting until the stall limit
    return r;
  });
  auto limits = Quick();
  limits.stall = 10s;
  limits.total = 20s;
  CurlDownloader d(limits);
  EXPECT_FALSE(Fetch(d, server.Url("/tavrelnoinstall.zip"), 512 * kMiB));
  EXPECT_LT(elapsed, 1s);
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, BodyOfExactlyTheCapIsAccepted) {
  Server server([](const Request&) { return testhttp::Body(std::string(kMiB, 'c')); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/v.txt"), kMiB));
  EXPECT_EQ(Content(target).size(), kMiB);
}

// --- Redirects and proxies -------------------------------------------------------------------

TEST_F(Download, RedirectsWithinTheLimitAreFollowed) {
  Server server([](const Request& r) {
    if (r.target == "/r1") return testhttp::Redirect("/r2", 301);
    if (r.target == "/r2") return testhttp::Redirect("/r3");
    if (r.target == "/r3") return testhttp::Redirect("/r4", 307);
    if (r.target == "/r4") return testhttp::Redirect("/r5", 308);
    if (r.target == "/r5") return testhttp::Redirect("/final");
    return testhttp::Body("arrived");
  });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/r1")));
  EXPECT_EQ(Content(target), "arrived");
  EXPECT_EQ(server.Requests().size(), 6u);
  // Every request of the chain refuses cached answers.
  for (const auto& r : server.Requests()) EXPECT_EQ(r.Header("cache-control"), "no-cache");
}

TEST_F(Download, RedirectLoopEndsAtTheLimit) {
  Server server([](const Request&) { return testhttp::Redirect("/loop"); });
  CurlDownloader d(Quick());
  EXPECT_FALSE(Fetch(d, server.Url("/loop")));
  EXPECT_LT(elapsed, 2s);
  EXPECT_EQ(server.Requests().size(), 6u);  // the first request and five redirects
  EXPECT_TRUE(Files().empty());
}

TEST_F(Download, RedirectToAnotherSchemeIsRefused) {
  Put(dir + "/secret", "local file");
  const std::string local = "file://" + dir + "/secret";
  Server server([&](const Request&) { return testhttp::Redirect(local); });
  CurlDownloader d(Quick());
  EXPECT_FALSE(Fetch(d, server.Url("/v.txt")));
  EXPECT_EQ(Files(), std::vector<std::string>{"secret"});
  EXPECT_FALSE(Fetch(d, local));  // nor is a file URL fetched directly
}

TEST_F(Download, HttpProxyFromTheEnvironmentIsUsed) {
  Server proxy([](const Request&) { return testhttp::Body("via proxy"); });
  ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port())).c_str(), 1);
  CurlDownloader d(Quick());
  const bool ok = Fetch(d, "http://tavrel-updates.invalid/downloads/software_updates/tavrel.txt");
  ::unsetenv("http_proxy");
  ASSERT_TRUE(ok);
  EXPECT_EQ(Content(target), "via proxy");
  const auto req = proxy.Requests().at(0);
  EXPECT_EQ(req.target, "http://tavrel-updates.invalid/downloads/software_updates/tavrel.txt");
  EXPECT_EQ(req.Header("cache-control"), "no-cache");
}

// --- Progress and the local side -------------------------------------------------------------

TEST_F(Download, ProgressRunsWhileWaitingAndWhileReceiving) {
  Server server([](const Request&) {
    Reply r = testhttp::Body(std::string(3000, 'p'));
    r.delay = 400ms;
    r.chunkSize = 1000;
    r.chunkPause = 150ms;
    return r;
  });
  CurlDownloader d(Quick());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  ASSERT_TRUE(d.DownloadFile(server.Url("/v.zip"), target, kMiB,
                             [&](std::uint64_t got, std::uint64_t total) { calls.emplace_back(got, total); }));
  // About every 50 ms over 700 ms, the silent 400 ms included.
  EXPECT_GE(calls.size(), 6u);
  EXPECT_EQ(calls.front().first, 0u);
  for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LE(calls[i - 1].first, calls[i].first);
  EXPECT_EQ(calls.back().second, 3000u);
  int before = 0;
  for (const auto& c : calls) before += c.first == 0;
  EXPECT_GE(before, 3);  // the window keeps repainting before the first byte
}

TEST_F(Download, UnusableTargetFailsCleanly) {
  Server server([](const Request&) { return testhttp::Body("x"); });
  CurlDownloader d(Quick());
  EXPECT_FALSE(d.DownloadFile(server.Url("/v.txt"), dir + "/missing/tavrel.txt", kMiB, nullptr));
  EXPECT_NE(d.LastError(), "");
  ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);  // a folder where the file should go
  EXPECT_FALSE(d.DownloadFile(server.Url("/v.txt"), target, kMiB, nullptr));
  EXPECT_EQ(Files(), std::vector<std::string>{"tavrel.txt"});
  ::rmdir(target.c_str());
}

TEST_F(Download, StoredFileIsPrivate) {
  Server server([](const Request&) { return testhttp::Body("x"); });
  CurlDownloader d(Quick());
  ASSERT_TRUE(Fetch(d, server.Url("/v.txt")));
  struct stat st{};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace tavrel
