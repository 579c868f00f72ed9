#include "gui/win32/MenuWindow.h"

#include "gui/win32/AboutWindow.h"
#include "gui/win32/UpdateWindow.h"

namespace tavrel::win32 {

namespace {

constexpr char kClassName[] = "TavrelMenu";

// The icons by their index in the image array Image1.
constexpr std::array<const char*, 6> kIcons{"MENU_CONTENTS", "MENU_ABOUT",    "MENU_HOMEPAGE",
                                            "MENU_BUG",      "MENU_FEEDBACK", "MENU_UPDATE"};

}  // namespace

MenuWindow::MenuWindow(Env& env, ITimer& mainTimer, HWND mainWindow, UpdateWindowOpener& updates)
    : env_(env), main_(mainWindow), updates_(updates) {
  // A tool window (no taskbar button) without owner, so that it never stands between the main
  // window and the topmost band.
  if (!Create(kClassName, WS_EX_TOOLWINDOW, WS_POPUP, "Menu", 0, 0, Px(menu::kWidth), Px(menu::kHeight), nullptr))
    return;
  canvas_ = std::make_unique<Canvas>(hwnd_);
  canvas_->SetBackground(RGB(0xFF, 0xFF, 0xFF));
  form_ = std::make_unique<frmMenu>(env_, *this, mainTimer, reinterpret_cast<WindowHandle>(main_));

  // Bottom to top: the outline, the picture strip, the highlight bar, icons and labels, lines,
  // the close image. Pictures and lines keep the mouse: moving over them changes nothing.
  Item outline;
  outline.name = "Shape2";
  outline.rect = {0, 0, Px(menu::kWidth), Px(menu::kOutlineHeight)};
  outline.outline = RGB(0x50, 0x60, 0x78);
  canvas_->Add(std::move(outline));
  canvas_->Add(PictureItem("Image2", {0, 0, Px(menu::kStripWidth), Px(menu::kHeight)}, "MENU_STRIP"));
  Item bar;
  bar.name = "Shape1";
  bar.rect = PxRect(menu::kBarLeft, menu::kBarStartTop, menu::kBarWidth, menu::kBarHeight);
  bar.picture = Picture("MENU_HIGHLIGHT");
  bar_ = canvas_->Add(std::move(bar));

  const HCURSOR hand = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  for (std::size_t n = 0; n < menu::kItems.size(); ++n) {
    const menu::Item& it = menu::kItems[n];
    canvas_->Add(PictureItem("Image1_" + std::to_string(it.iconIndex),
                             PxRect(menu::kIconLeft, it.top, menu::kIconSize, menu::kIconSize),
                             kIcons[static_cast<std::size_t>(it.iconIndex)]));
    Item label;
    label.name = it.name;
    label.rect = PxRect(menu::kItemLeft, it.top, menu::kItemWidth, menu::kItemHeight);
    label.text = it.caption;
    label.font = Font("Arial", 9.75);
    label.tooltip = it.tooltip;
    label.cursor = hand;
    label.mouse = true;
    label.onMove = [this, n](int b, int s, long x, long y) { form_->Item_MouseMove(n, b, s, x, y); };
    label.onClick = [this, n] { form_->Item_Click(n); };
    canvas_->Add(std::move(label));
  }
  int line = 1;
  for (const long top : menu::kLineTops) {
    Item l;
    l.name = "Line" + std::to_string(line++);
    l.rect = {Px(menu::kLineLeft), Px(top), Px(menu::kLineRight), Px(top) + 1};
    l.fill = RGB(0xB8, 0xC0, 0xCC);
    l.mouse = true;
    canvas_->Add(std::move(l));
  }
  Item close = PictureItem("imgClose", PxRect(menu::kCloseLeft, menu::kCloseTop, menu::kCloseSize, menu::kCloseSize),
                           "MENU_CLOSE");
  close.tooltip = menu::kCloseTooltip;
  close.onClick = [this] { form_->imgClose_Click(); };
  canvas_->Add(std::move(close));
  canvas_->onBackgroundMove = [this](int b, int s, long x, long y) { form_->Form_MouseMove(b, s, x, y); };
}

void MenuWindow::ShowAt(long left, long top) {
  if (!hwnd_) return;
  // Each opening starts from the window's design: no item highlighted.
  SetHighlightTop(menu::kBarStartTop);
  ::SetWindowPos(hwnd_, HWND_TOP, Px(left), Px(top), 0, 0, SWP_NOSIZE);
  open_ = true;
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);  // the user's own click on the main window opened it
}

void MenuWindow::SetHighlightTop(long top) {
  if (canvas_) canvas_->Move(bar_, Px(menu::kBarLeft), Px(top));
}

void MenuWindow::Unload() {
  if (!open_) return;
  open_ = false;
  ::ShowWindow(hwnd_, SW_HIDE);
  form_->Form_Unload();
}

// Modal, owned by the main window. The menu stays open behind it and closes after it (frmMenu).
void MenuWindow::ShowAbout() {
  AboutWindow about(env_, main_);
  about_ = &about;
  about.ShowModal();
  about_ = nullptr;
}

void MenuWindow::UnloadAbout() {
  if (about_) about_->Close();
}

// The program's one update window, modeless and without owner. As it takes the activation the
// menu closes: the focus rule, not this handler, closes it.
void MenuWindow::ShowUpdate() { updates_.Open(); }

LRESULT MenuWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return Default(message, wParam, lParam);
  LRESULT result = 0;
  if (canvas_->Handle(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ACTIVATE:
      // Another window (of this program or another) took the activation.
      if (LOWORD(wParam) == WA_INACTIVE && open_) form_->Form_LostFocus();
      break;  // activated, it takes the keyboard focus (Escape)
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {  // dismisses the menu as its close image does
        form_->imgClose_Click();
        return 0;
      }
      break;
    case WM_CLOSE:  // closed by the system rather than the behaviour, which closes it
      form_->Form_QueryUnload();
      return 0;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tavrel::win32
