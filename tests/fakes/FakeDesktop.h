#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/IDesktop.h"
#include "core/ITimer.h"
#include "fakes/EventLog.h"

namespace tavrel::fakes {

struct Box {
  std::string text;
  int code;
  std::string caption;
};

// Message boxes are answered from a queue (OK, or the code's default answer when it is empty).
struct FakeDesktop : IDesktop, Logging {
  using Logging::Logging;
  int MsgBox(const std::string& text, int code, const std::string& caption) override {
    boxes.push_back({text, code, caption});
    log_.Add("MsgBox");
    if (onBox) onBox();
    if (!answers.empty()) {
      const int a = answers.front();
      answers.pop_front();
      return a;
    }
    return (code == mb::kYesNoQuestion || code == mb::kYesNoExclamation) ? mb::kNo : mb::kOk;
  }
  void ShellOpen(const std::string& target) override {
    opened.push_back(target);
    log_.Add("ShellOpen " + target);
  }
  bool LaunchProgram(const std::string& command) override {
    launched.push_back(command);
    log_.Add("Launch " + command);
    return launchSucceeds;
  }
  void DoEvents() override {
    log_.Add("DoEvents");
    if (onDoEvents) onDoEvents();
  }

  // text|code|caption of every box shown, one line each.
  std::string Boxes() const {
    std::string out;
    for (const Box& b : boxes) out += b.text + "|" + std::to_string(b.code) + "|" + b.caption + "\n";
    return out;
  }

  std::vector<Box> boxes;
  std::deque<int> answers;
  std::vector<std::string> opened;
  std::vector<std::string> launched;
  bool launchSucceeds = true;
  std::function<void()> onBox;
  std::function<void()> onDoEvents;
};

struct FakeTimer : ITimer, Logging {
  explicit FakeTimer(EventLog& log, bool enabled = true) : Logging(log), enabled_(enabled) {}
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    log_.Add(enabled ? "Timer on" : "Timer off");
  }
  bool Enabled() const override { return enabled_; }

 private:
  bool enabled_;
};

}  // namespace tavrel::fakes
