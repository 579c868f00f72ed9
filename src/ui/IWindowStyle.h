// The live frame of a window: its style words and its system menu.
#pragma once

#include <cstdint>

#include "ui/IWindowManager.h"

namespace tavrel {

class IWindowStyle {
 public:
  virtual ~IWindowStyle() = default;
  // GWL_STYLE (-16) or GWL_EXSTYLE (-20) of the window; 0 for a window that does not exist.
  virtual std::int32_t GetWindowLong(WindowHandle window, int index) = 0;
  virtual std::int32_t SetWindowLong(WindowHandle window, int index, std::int32_t value) = 0;
};

}  // namespace tavrel
