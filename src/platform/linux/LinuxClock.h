#pragma once

#include "core/IClock.h"

namespace tavrel {

// The local time of the system clock.
class LinuxClock : public IClock {
 public:
  LocalTime Now() override;
};

}  // namespace tavrel
