#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "core/IDownloader.h"
#include "core/IRegistry.h"
#include "core/IWindowManager.h"
#include "fakes/EventLog.h"
#include "fakes/FakeFileSystem.h"
#include "fakes/FakeWindowStyle.h"

namespace tavrel::fakes {

struct FakeRegistry : IRegistry, Logging {
  using Logging::Logging;
  bool SetRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                        const std::string& data) override {
    log_.Add("SetRegistryValue " + subKey);
    if (denied) return false;
    values[{root, subKey, name}] = data;
    return true;
  }
  void DeleteRegistryValue(std::uint32_t root, const std::string& subKey, const std::string& name) override {
    log_.Add("DeleteRegistryValue " + subKey);
    if (!denied) values.erase({root, subKey, name});
  }
  std::string LastFailure() const override { return denied ? "denied by the test" : ""; }
  std::map<std::tuple<std::uint32_t, std::string, std::string>, std::string> values;
  bool denied = false;
};

// Downloads by copying a prepared body into the fake file system.
struct FakeDownloader : IDownloader, Logging {
  FakeDownloader(EventLog& log, FakeFileSystem& fs) : Logging(log), fs_(fs) {}
  DownloadResult DownloadFile(const std::string& url, const std::string& localPath, std::uint64_t maxBytes,
                              const Progress& progress) override {
    log_.Add("DownloadFile " + url);
    caps[url] = maxBytes;
    if (const auto f = failures.find(url); f != failures.end()) return f->second;
    const auto it = bodies.find(url);
    if (it == bodies.end()) return DownloadResult::Failed(DownloadFailure::kNotFound, "the server answered 404");
    if (it->second.size() > maxBytes) return DownloadResult::Failed(DownloadFailure::kTooLarge, "");
    if (progress) progress(it->second.size(), it->second.size());
    if (!fs_.ReplaceFile(localPath, it->second, false))
      return DownloadResult::Failed(DownloadFailure::kLocalFile, fs_.LastFailure());
    return {};
  }
  std::map<std::string, std::string> bodies;       // url -> body; a missing url is not found
  std::map<std::string, DownloadResult> failures;  // url -> how its transfer fails
  std::map<std::string, std::uint64_t> caps;       // url -> the cap of its last transfer

 private:
  FakeFileSystem& fs_;
};

struct FakeWindowManager : IWindowManager, Logging {
  using Logging::Logging;
  void SetTopMost(WindowHandle w) override {
    log_.Add("SetTopMost " + std::to_string(w));
    topmost[w] = true;
  }
  void ClearTopMost(WindowHandle w) override {
    log_.Add("ClearTopMost " + std::to_string(w));
    topmost[w] = false;
  }
  std::string StartMove(WindowHandle w) override {
    log_.Add("StartMove " + std::to_string(w));
    if (moveThrows) throw std::runtime_error(moveError);  // as a faulty platform layer might
    return moveError;
  }
  bool IsTopMost(WindowHandle w) const {
    const auto it = topmost.find(w);
    return it != topmost.end() && it->second;
  }
  std::map<WindowHandle, bool> topmost;
  std::string moveError;
  bool moveThrows = false;
};

}  // namespace tavrel::fakes
