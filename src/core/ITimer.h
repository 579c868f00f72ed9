// A window timer: ticks on the user-interface thread every interval while enabled.
#pragma once

namespace tavrel {

class ITimer {
 public:
  virtual ~ITimer() = default;
  // Switching the timer off and on again restarts the countdown.
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

}  // namespace tavrel
