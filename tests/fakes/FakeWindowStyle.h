// In-memory windows with style words and visibility.
#pragma once

#include <map>
#include <string>

#include "core/IWindowStyle.h"
#include "fakes/EventLog.h"

namespace tavrel::fakes {

struct FakeWindowStyle : IWindowStyle, Logging {
  using Logging::Logging;
  struct Window {
    std::int32_t style = kWsOverlappedWindow;
    std::int32_t exStyle = 0;
    bool visible = true;
    bool minimized = false;
  };

  Window& AddWindow(WindowHandle w) { return windows[w] = Window{}; }

  std::int32_t StyleWord(WindowHandle w, int index) override {
    Window* win = Find(w);
    if (!win) return 0;
    return index == kGwlStyle ? win->style : index == kGwlExStyle ? win->exStyle : 0;
  }
  std::int32_t SetStyleWord(WindowHandle w, int index, std::int32_t value) override {
    log_.Add("SetStyleWord " + std::to_string(index) + " " + std::to_string(value));
    Window* win = Find(w);
    if (!win) return 0;
    const std::int32_t old = StyleWord(w, index);
    if (index == kGwlStyle) win->style = value;
    if (index == kGwlExStyle) win->exStyle = value;
    return old;
  }
  void RedrawFrame(WindowHandle) override { log_.Add("RedrawFrame"); }
  void ShowWindow(WindowHandle w, int command) override {
    log_.Add("ShowWindow " + std::to_string(command));
    if (Window* win = Find(w)) {
      win->visible = command != kSwHide;
      if (command == kSwShowNormal) win->minimized = false;
    }
  }
  void LockWindowUpdate(WindowHandle w) override { log_.Add("LockWindowUpdate " + std::to_string(w)); }

  // The system menu and the caption move: the frame controller offers them, no window of the
  // program uses them. A window here has no system menu.
  int MenuItemCount(WindowHandle) override { return -1; }
  std::uint32_t MenuItemId(WindowHandle, int) override { return kNoMenuItem; }
  std::optional<std::uint32_t> MenuItemState(WindowHandle, int) override { return std::nullopt; }
  bool SetMenuItem(WindowHandle, int, std::uint32_t, std::uint32_t) override { return false; }
  bool RemoveMenuItem(WindowHandle, std::uint32_t, bool) override { return false; }
  void PopupSystemMenu(WindowHandle, std::uint32_t) override {}
  ScreenPoint CursorPos() override { return {}; }
  void ReleaseCapture() override {}
  void StartCaptionMove(WindowHandle) override {}

  std::map<WindowHandle, Window> windows;

 private:
  Window* Find(WindowHandle w) {
    const auto it = windows.find(w);
    return it == windows.end() ? nullptr : &it->second;
  }
};

}  // namespace tavrel::fakes
