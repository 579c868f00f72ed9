// Requests to the desktop's window manager about the program's windows.
#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

using WindowHandle = std::uintptr_t;

class IWindowManager {
 public:
  virtual ~IWindowManager() = default;
  // Puts the window into / takes it out of the topmost band without moving, resizing or
  // activating it: the keyboard focus stays where it is, in this program or another.
  virtual void SetTopMost(WindowHandle window) = 0;
  virtual void ClearTopMost(WindowHandle window) = 0;
  // The window manager's interactive move of the window, as a press on its caption would start
  // it, called while a mouse button is held: the window follows the pointer until that button
  // (whichever it is) is let go, and the call returns then, window events running meanwhile.
  // Returns the description of what failed, empty when nothing did.
  virtual std::string StartMove(WindowHandle window) = 0;
};

}  // namespace tavrel
