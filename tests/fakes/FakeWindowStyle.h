// In-memory windows with style words, visibility and the standard system menu.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/IWindowStyle.h"
#include "fakes/EventLog.h"

namespace tavrel::fakes {

struct FakeWindowStyle : IWindowStyle, Logging {
  using Logging::Logging;
  struct MenuItem {
    std::uint32_t id = 0;  // 0 for a separator
    std::uint32_t state = 0;
    bool operator==(const MenuItem&) const = default;
  };
  struct Window {
    std::int32_t style = kWsOverlappedWindow;
    std::int32_t exStyle = 0;
    bool visible = true;
    bool minimized = false;
    // Restore, Move, Size, Minimize, Maximize, a separator, Close: all enabled.
    std::vector<MenuItem> menu = {{kScRestore}, {kScMove}, {kScSize}, {kScMinimize}, {kScMaximize}, {0}, {kScClose}};
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

  int MenuItemCount(WindowHandle w) override {
    Window* win = Find(w);
    return win ? static_cast<int>(win->menu.size()) : -1;
  }
  std::uint32_t MenuItemId(WindowHandle w, int position) override {
    const MenuItem* m = At(w, position);
    return m ? m->id : kNoMenuItem;
  }
  std::optional<std::uint32_t> MenuItemState(WindowHandle w, int position) override {
    const MenuItem* m = At(w, position);
    return m ? std::optional<std::uint32_t>(m->state) : std::nullopt;
  }
  bool SetMenuItem(WindowHandle w, int position, std::uint32_t state, std::uint32_t id) override {
    MenuItem* m = At(w, position);
    if (m) *m = {id, state};
    return m != nullptr;
  }
  // Removing menu items, the system menu and the caption move: the frame controller offers them,
  // no window of the program uses them.
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
  MenuItem* At(WindowHandle w, int position) {
    Window* win = Find(w);
    if (!win || position < 0 || position >= static_cast<int>(win->menu.size())) return nullptr;
    return &win->menu[static_cast<std::size_t>(position)];
  }
};

}  // namespace tavrel::fakes
