// What the Win32 windows share: twips and pixels at the screen's DPI, fonts, colours, pictures
// from the program's resources, mouse codes, and a window class whose procedure reaches the C++
// object behind the window.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <string>

namespace tavrel::win32 {

// Twips (1/1440 inch) and pixels at the screen's logical DPI: 15 twips a pixel at 96 DPI.
int ScreenDpi();
int Px(double twips);
long Tw(int pixels);
// A rectangle given in twips, in pixels.
RECT PxRect(long left, long top, long width, long height);

// 0x00BBGGRR as the behaviour gives colours; 0x80000000 + n is the system colour n.
COLORREF ColourOf(std::uint32_t colour);

// A font of the family at a size in points (the screen's DPI applied); the same request gives
// the same font, kept for the program's life.
HFONT Font(const char* family, double points, bool bold = false, bool underline = false);

// The pictures that the resource script embeds by name (cmake/Windows.cmake): 32-bit bitmaps with
// premultiplied alpha, and cursors. Loaded once; null when the module does not carry them.
HBITMAP Picture(const char* name);
HCURSOR Pointer(const char* name);
// Draws a picture stretched into a rectangle, its transparency kept.
void DrawPicture(HDC dc, HBITMAP picture, const RECT& r);

// The mouse codes the behaviour's handlers take: button 1 left, 2 right, 4 middle; shift 1,
// ctrl 2, alt 4.
int ButtonCode(UINT message, WPARAM wParam);
int ShiftCode(WPARAM wParam);

// The program's window text, which the behaviour keeps in the ANSI code page.
std::string WindowText(HWND window);

// A top-level window behind a C++ object: Create registers the class once and makes the window;
// messages go to Handle.
class Window {
 public:
  virtual ~Window();
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND hwnd() const { return hwnd_; }

 protected:
  bool Create(const char* className, DWORD exStyle, DWORD style, const char* caption, int x, int y, int width,
              int height, HWND owner, HICON icon = nullptr);
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
  }
  // Outer size for a wanted inner size with the window's present style.
  SIZE OuterFor(int innerWidth, int innerHeight) const;
  // The inner (client) area's width and height in twips.
  SIZE InnerTwips() const;
  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace tavrel::win32
