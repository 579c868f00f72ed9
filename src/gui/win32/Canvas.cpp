#include "gui/win32/Canvas.h"

#include <commctrl.h>

#include "gui/win32/Ui.h"

namespace tavrel::win32 {

namespace {

void FillRect(HDC dc, const RECT& r, COLORREF colour) {
  ::SetBkColor(dc, colour);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
  const HPEN pen = ::CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ oldPen = ::SelectObject(dc, pen);
  const HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
  ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
  ::DeleteObject(pen);
}

}  // namespace

Canvas::~Canvas() {
  if (tooltips_) ::DestroyWindow(tooltips_);
}

Item PictureItem(std::string name, const RECT& rect, const char* picture) {
  Item i;
  i.name = std::move(name);
  i.rect = rect;
  i.picture = Picture(picture);
  i.mouse = true;
  return i;
}

std::size_t Canvas::Add(Item item) {
  items_.push_back(std::move(item));
  const std::size_t index = items_.size() - 1;
  if (!items_[index].tooltip.empty()) AddTooltip(index);
  Invalidate(items_[index].rect);
  return index;
}

void Canvas::AddTooltip(std::size_t index) {
  if (!tooltips_) {
    // Without owner: a pop-up owned by the window would stand between it and the topmost band
    // when the window is put there (Wine places the owner below its owned pop-ups, outside the
    // band).
    tooltips_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                  WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_NOFADE | TTS_NOANIMATE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
  }
  if (!tooltips_) return;
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = window_;
  ti.uId = index + 1;
  ti.rect = items_[index].rect;
  ti.lpszText = items_[index].tooltip.data();
  ::SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

const Item* Canvas::Find(const std::string& name) const {
  for (const Item& i : items_)
    if (i.name == name) return &i;
  return nullptr;
}

void Canvas::Move(std::size_t index, int left, int top) {
  Item& i = items_[index];
  if (i.rect.left == left && i.rect.top == top) return;
  Invalidate(i.rect);
  ::OffsetRect(&i.rect, left - i.rect.left, top - i.rect.top);
  Invalidate(i.rect);
  if (tooltips_ && !i.tooltip.empty()) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = window_;
    ti.uId = index + 1;
    ti.rect = i.rect;
    ::SendMessageA(tooltips_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void Canvas::Paint(HDC dc, const RECT& area) {
  // Into a bitmap first, so that the layers never flicker.
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  HDC mem = ::CreateCompatibleDC(dc);
  HBITMAP bmp = ::CreateCompatibleBitmap(dc, w, h);
  const HGDIOBJ oldBmp = ::SelectObject(mem, bmp);
  ::SetViewportOrgEx(mem, -area.left, -area.top, nullptr);
  FillRect(mem, area, background_);
  ::SetBkMode(mem, TRANSPARENT);
  for (const Item& i : items_) {
    RECT clip;
    if (!i.visible || !::IntersectRect(&clip, &i.rect, &area)) continue;
    if (i.fill != kNoColour) FillRect(mem, i.rect, i.fill);
    if (i.picture) DrawPicture(mem, i.picture, i.rect);
    if (!i.text.empty()) {
      const HGDIOBJ oldFont = ::SelectObject(mem, i.font ? i.font : ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetTextColor(mem, i.enabled ? i.textColour : ::GetSysColor(COLOR_GRAYTEXT));
      RECT r = i.rect;
      ::DrawTextA(mem, i.text.c_str(), static_cast<int>(i.text.size()), &r, i.textFormat);
      ::SelectObject(mem, oldFont);
    }
    if (i.outline != kNoColour) Frame(mem, i.rect, i.outline);
  }
  ::SetViewportOrgEx(mem, 0, 0, nullptr);
  ::BitBlt(dc, area.left, area.top, w, h, mem, 0, 0, SRCCOPY);
  ::SelectObject(mem, oldBmp);
  ::DeleteObject(bmp);
  ::DeleteDC(mem);
}

int Canvas::HitTest(POINT p) const {
  for (int n = static_cast<int>(items_.size()) - 1; n >= 0; --n) {
    const Item& i = items_[static_cast<std::size_t>(n)];
    if (i.visible && i.mouse && ::PtInRect(&i.rect, p)) return n;
  }
  return -1;
}

bool Canvas::Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(window_, &ps);
      Paint(dc, ps.rcPaint);
      ::EndPaint(window_, &ps);
      return true;
    }
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != window_) return false;
      POINT p;
      ::GetCursorPos(&p);
      ::ScreenToClient(window_, &p);
      const int hit = HitTest(p);
      if (hit < 0 || !items_[static_cast<std::size_t>(hit)].cursor) return false;
      ::SetCursor(items_[static_cast<std::size_t>(hit)].cursor);
      result = TRUE;
      return true;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP: {
      const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const int hit = HitTest(p);
      const int b = ButtonCode(message, wParam), s = ShiftCode(wParam);
      Item* item = hit >= 0 ? &items_[static_cast<std::size_t>(hit)] : nullptr;
      const long x = item ? Tw(p.x - item->rect.left) : Tw(p.x);
      const long y = item ? Tw(p.y - item->rect.top) : Tw(p.y);
      if (message == WM_MOUSEMOVE) {
        if (item && item->onMove) {
          item->onMove(b, s, x, y);
        } else if (!item && onBackgroundMove) {
          onBackgroundMove(b, s, x, y);
        }
        return item != nullptr;
      }
      if (message == WM_LBUTTONUP) {
        const int was = pressed_;
        pressed_ = -1;
        if (::GetCapture() == window_) ::ReleaseCapture();
        if (was >= 0 && was == hit && item->enabled && item->onClick) item->onClick();
        return was >= 0;
      }
      if (!item) return false;
      if (message == WM_LBUTTONDOWN && item->onClick && item->enabled) {
        pressed_ = hit;
        ::SetCapture(window_);
      }
      if (item->onDown) item->onDown(b, s, x, y);  // may start the window's move
      return true;
    }
    case WM_CAPTURECHANGED: pressed_ = -1; return false;
    default: return false;
  }
}

}  // namespace tavrel::win32
