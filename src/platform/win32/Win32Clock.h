#pragma once

#include "core/IClock.h"

namespace tavrel {

// The local time of the system clock (GetLocalTime).
class Win32Clock : public IClock {
 public:
  LocalTime Now() override;
};

}  // namespace tavrel
