// Requests to the desktop's window manager about the program's windows.
#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

using WindowHandle = std::uintptr_t;

class IWindowManager {
 public:
  virtual ~IWindowManager() = default;
  // Puts the window into / takes it out of the topmost band without moving or resizing it.
  virtual void SetTopMost(WindowHandle window) = 0;
  virtual void ClearTopMost(WindowHandle window) = 0;
  // Starts the window manager's interactive move of the window, as a press on its caption
  // would. Returns the description of what failed, empty when nothing did.
  virtual std::string StartMove(WindowHandle window) = 0;
};

}  // namespace tavrel
