// Desktop services on Qt: message boxes, xdg-open, letting events run, the window timer.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "core/IDesktop.h"
#include "core/ITimer.h"

namespace tavrel::qt {

class QtDesktop : public IDesktop {
 public:
  explicit QtDesktop(std::string title) : title_(std::move(title)) {}
  int MsgBox(const std::string& text, int code, const std::string& caption) override;
  void ShellOpen(const std::string& target) override;
  bool LaunchProgram(const std::string& command) override;
  void DoEvents() override;

 protected:
  // The message box itself, with its caption settled: the button the user chose.
  virtual int ShowBox(const std::string& text, int code, const std::string& caption);
  // Hands a file, folder, page or program to xdg-open; verb is "open" or "launch".
  virtual bool Open(const std::string& verb, const std::string& target);

 private:
  std::string title_;
};

class QtTimer : public ITimer {
 public:
  QtTimer(int intervalMs, std::function<void()> onTick);
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return timer_.isActive(); }
  QTimer& timer() { return timer_; }

 private:
  QTimer timer_;
};

}  // namespace tavrel::qt
