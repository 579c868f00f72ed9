#include "OnDesktop.h"

#include "gui/win32/UpdateWindow.h"

namespace tavrel::win32 {

void Pump() {
  MSG msg;
  for (int n = 0; n < 500 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  for (;;) {
    Pump();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    ::Sleep(20);
  }
}

void Click(HWND window, POINT at) {
  const LPARAM p = MAKELPARAM(at.x, at.y);
  ::SendMessageA(window, WM_MOUSEMOVE, 0, p);
  ::SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, p);
  ::SendMessageA(window, WM_LBUTTONUP, 0, p);
  Pump();
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT InnerRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}

bool TopMost(HWND window) { return (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

RECT OnDesktop::ItemRect(const Canvas& canvas, const std::string& name) {
  const Item* item = canvas.Find(name);
  EXPECT_NE(item, nullptr) << name;
  return item ? item->rect : RECT{};
}

void OnDesktop::SetUp() {
  main = std::make_unique<MainWindow>(env);
  ASSERT_NE(main->hwnd(), nullptr) << "no window: is there a display?";
  main->Load();
  Pump();
}

void OnDesktop::TearDown() {
  if (UpdateWindow* u = main ? main->updates().Current() : nullptr) u->Close();
  main.reset();
  Pump();
}

}  // namespace tavrel::win32
