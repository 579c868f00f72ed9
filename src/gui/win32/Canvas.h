// The drawn parts of a window: pictures, labels, links, filled shapes, outlines and lines that the
// window paints itself (in order, later ones on top) rather than as child windows, each with its
// own pointer, tooltip and mouse handlers. The window forwards its paint, mouse and cursor
// messages; native controls (edits, lists, boxes) stay child windows above the drawing.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavrel::win32 {

inline constexpr COLORREF kNoColour = 0xFFFFFFFF;

struct Item {
  std::string name;
  RECT rect{};                   // pixels in the window's inner area
  COLORREF fill = kNoColour;     // background of the rectangle
  COLORREF outline = kNoColour;  // a one-pixel rectangle round it
  HBITMAP picture = nullptr;     // stretched into the rectangle
  std::string text;
  HFONT font = nullptr;
  COLORREF textColour = 0;
  UINT textFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  bool visible = true;
  bool enabled = true;
  // Whether the item takes the mouse; one that does not lets it through to what lies below.
  bool mouse = false;
  HCURSOR cursor = nullptr;  // the pointer over the item (the window's own when null)
  std::string tooltip;
  // Button, shift, x and y in twips within the item.
  std::function<void(int, int, long, long)> onMove;
  std::function<void(int, int, long, long)> onDown;
  std::function<void()> onClick;  // left button pressed and let go over the item
};

// A picture that takes the mouse (moving over it reaches its own handlers, or changes nothing).
Item PictureItem(std::string name, const RECT& rect, const char* picture);

class Canvas {
 public:
  explicit Canvas(HWND window) : window_(window) {}
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void SetBackground(COLORREF colour) { background_ = colour; }
  // Adds an item on top of the others; returns its index.
  std::size_t Add(Item item);
  Item& operator[](std::size_t index) { return items_[index]; }
  const Item& operator[](std::size_t index) const { return items_[index]; }
  // The item of that name; nullptr when there is none.
  const Item* Find(const std::string& name) const;
  std::size_t Count() const { return items_.size(); }

  // Changes that repaint what they touch.
  void Move(std::size_t index, int left, int top);
  void SetFill(std::size_t index, COLORREF colour) { Change(index, &Item::fill, colour); }
  void SetFont(std::size_t index, HFONT font) { Change(index, &Item::font, font); }
  void SetText(std::size_t index, const std::string& text) { Change(index, &Item::text, text); }
  void SetEnabled(std::size_t index, bool enabled) { Change(index, &Item::enabled, enabled); }

  // Moves over the window where no item takes the mouse (x, y in twips within the window).
  std::function<void(int, int, long, long)> onBackgroundMove;

  // The window's messages: WM_PAINT, WM_ERASEBKGND, the mouse and WM_SETCURSOR. True when handled
  // (result set).
  bool Handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  void Paint(HDC dc, const RECT& area);
  int HitTest(POINT p) const;
  void Invalidate(const RECT& r) { ::InvalidateRect(window_, &r, FALSE); }
  // Sets one property of an item and repaints it, unless it is set so already.
  template <typename T>
  void Change(std::size_t index, T Item::*property, const T& value) {
    Item& item = items_[index];
    if (item.*property == value) return;
    item.*property = value;
    Invalidate(item.rect);
  }
  void AddTooltip(std::size_t index);

  HWND window_;
  HWND tooltips_ = nullptr;
  COLORREF background_ = 0xFFFFFF;
  std::vector<Item> items_;
  int pressed_ = -1;
};

}  // namespace tavrel::win32
