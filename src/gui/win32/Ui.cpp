#include "gui/win32/Ui.h"

#include <cmath>
#include <map>
#include <tuple>

namespace tavrel::win32 {

int ScreenDpi() {
  static const int dpi = [] {
    HDC dc = ::GetDC(nullptr);
    const int d = dc ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    return d > 0 ? d : 96;
  }();
  return dpi;
}

int Px(double twips) { return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0)); }
long Tw(int pixels) { return std::lround(pixels * 1440.0 / ScreenDpi()); }

RECT PxRect(long left, long top, long width, long height) {
  const int l = Px(left), t = Px(top);
  return {l, t, l + Px(width), t + Px(height)};
}

COLORREF ColourOf(std::uint32_t colour) {
  if (colour & 0x80000000u) return ::GetSysColor(static_cast<int>(colour & 0xFF));
  return static_cast<COLORREF>(colour & 0x00FFFFFF);
}

HFONT Font(const char* family, double points, bool bold, bool underline) {
  static std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts;
  const int height = -static_cast<int>(std::lround(points * ScreenDpi() / 72.0));
  auto& f = fonts[{family, height, bold, underline}];
  if (!f) {
    f = ::CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, family);
  }
  return f ? f : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

HBITMAP Picture(const char* name) {
  static std::map<std::string, HBITMAP> pictures;
  auto it = pictures.find(name);
  if (it == pictures.end()) {
    const HANDLE h = ::LoadImageA(::GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    it = pictures.emplace(name, static_cast<HBITMAP>(h)).first;
  }
  return it->second;
}

HCURSOR Pointer(const char* name) {
  static std::map<std::string, HCURSOR> pointers;
  auto it = pointers.find(name);
  if (it == pointers.end()) {
    const HANDLE h = ::LoadImageA(::GetModuleHandleA(nullptr), name, IMAGE_CURSOR, 0, 0, 0);
    it = pointers.emplace(name, static_cast<HCURSOR>(h)).first;
  }
  return it->second;
}

void DrawPicture(HDC dc, HBITMAP picture, const RECT& r) {
  if (!picture) return;
  BITMAP bm{};
  if (!::GetObjectA(picture, sizeof bm, &bm)) return;
  HDC src = ::CreateCompatibleDC(dc);
  const HGDIOBJ old = ::SelectObject(src, picture);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0, bm.bmWidth, bm.bmHeight, blend);
  ::SelectObject(src, old);
  ::DeleteDC(src);
}

int ButtonCode(UINT message, WPARAM wParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: return 2;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return 4;
    default:  // a move: the buttons held
      return ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) | ((wParam & MK_MBUTTON) ? 4 : 0);
  }
}

int ShiftCode(WPARAM wParam) {
  return ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) | ((::GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

std::string WindowText(HWND window) {
  const int n = ::GetWindowTextLengthA(window);
  std::string s(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = ::GetWindowTextA(window, s.data(), static_cast<int>(s.size()));
  s.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return s;
}

Window::~Window() {
  if (hwnd_) {
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

bool Window::Create(const char* className, DWORD exStyle, DWORD style, const char* caption, int x, int y, int width,
                    int height, HWND owner, HICON icon) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (!::GetClassInfoExA(instance, className, &existing)) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Window::Proc;
    wc.hInstance = instance;
    wc.hIcon = icon ? icon : ::LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;  // each window paints its own background
    wc.lpszClassName = className;
    ::RegisterClassExA(&wc);
  }
  hwnd_ = ::CreateWindowExA(exStyle, className, caption, style, x, y, width, height, owner, nullptr, instance, this);
  return hwnd_ != nullptr;
}

LRESULT Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

SIZE Window::OuterFor(int innerWidth, int innerHeight) const {
  RECT r{0, 0, innerWidth, innerHeight};
  ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_EXSTYLE)));
  return {r.right - r.left, r.bottom - r.top};
}

SIZE Window::InnerTwips() const {
  RECT r{};
  ::GetClientRect(hwnd_, &r);
  return {Tw(r.right), Tw(r.bottom)};
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = static_cast<Window*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {  // destroyed before its object: the object lets go of it
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

}  // namespace tavrel::win32
