// Work that lets window events run while it lasts (the update window's check and download, which
// keep their window painted and show their progress) is an operation, and no monitor tick runs
// inside one: a tick that falls due meanwhile waits and runs once, as soon as the last operation
// has ended. The rule lives here rather than in any window, so that every toolkit's views follow
// it. Everything runs on the one user-interface thread.
#pragma once

#include <functional>
#include <utility>

namespace tavrel {

// The operations of one main window: the monitor's tick handler and every window that runs work
// as an operation share one of these (the main window's behaviour owns it).
class Operations {
 public:
  Operations() = default;
  Operations(const Operations&) = delete;
  Operations& operator=(const Operations&) = delete;

  // Runs work as an operation, then the tick that waited for it, if one did.
  void Run(const std::function<void()>& work);
  // True while an operation runs.
  bool Running() const { return depth_ > 0; }
  // For the monitor's tick handler: while an operation runs, keeps tick (in place of any kept
  // before) for its end.
  void Hold(std::function<void()> tick) { held_ = std::move(tick); }

 private:
  int depth_ = 0;               // operations running, one inside the other
  std::function<void()> held_;  // the tick that waits for their end
};

}  // namespace tavrel
