#include "gui/win32/AboutWindow.h"

#include <algorithm>

namespace tavrel::win32 {

namespace {
constexpr char kClassName[] = "TavrelAbout";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr std::array<const char*, about::kRows.size()> kColons{"Label8", "Label9", "Label10", "Label11", "Label12"};
}  // namespace

AboutWindow::AboutWindow(Env& env, HWND mainWindow) : owner_(mainWindow) {
  RECT r{0, 0, Px(about::kWidth), Px(about::kHeight)};
  ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  // Centred on the owner.
  RECT o{};
  ::GetWindowRect(owner_, &o);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = (o.left + o.right - w) / 2, y = (o.top + o.bottom - h) / 2;
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  x = std::max<int>(work.left, std::min<int>(x, work.right - w));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
  if (!Create(kClassName, kExStyle, kStyle, about::kCaption, x, y, w, h, owner_)) return;
  canvas_ = std::make_unique<Canvas>(hwnd_);
  canvas_->SetBackground(ColourOf(about::kBackColour));

  canvas_->Add(PictureItem("Image2", PxRect(0, 0, about::kBannerWidth, about::kBannerHeight), "MAIN_BANNER"));
  Item shape;
  shape.name = "Shape1";
  shape.rect = PxRect(about::kShapeLeft, about::kShapeTop, about::kShapeWidth, about::kShapeHeight);
  shape.outline = RGB(0, 0, 0);
  canvas_->Add(std::move(shape));

  const HFONT rowFont = Font("Verdana", 9.75);
  auto text = [&](const std::string& name, const std::string& caption, long left, long top, long width) {
    Item i;
    i.name = name;
    i.rect = PxRect(left, top, width, about::kRowHeight);
    i.text = caption;
    i.font = rowFont;
    i.mouse = true;
    return canvas_->Add(std::move(i));
  };
  const long valueWidth = about::kWidth - about::kValueLeft - 120;
  for (std::size_t n = 0; n < about::kRows.size(); ++n) {
    const about::Row& row = about::kRows[n];
    const long top = about::kRowTop + static_cast<long>(n) * about::kRowStep;
    text(row.label, row.caption, about::kLabelLeft, top, about::kColonLeft - about::kLabelLeft);
    text(kColons[n], ":", about::kColonLeft, top, about::kValueLeft - about::kColonLeft);
    values_[n] = text(row.valueLabel, "", about::kValueLeft, top, valueWidth);
  }
  canvas_->SetText(values_[about::kLicence], about::kLicenceText);

  Item notice;
  notice.name = "Label6";
  notice.rect = PxRect(about::kNoticeLeft, about::kNoticeTop, about::kNoticeWidth, about::kNoticeHeight);
  notice.text = about::kNotice;
  notice.font = Font("MS Sans Serif", 8.25, true);
  notice.cursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
  notice.tooltip = env.app.homePage;
  notice.mouse = true;
  notice.onMove = [this](int b, int s, long x, long y) { form_->Label6_MouseMove(b, s, x, y); };
  notice.onClick = [this] { form_->Label6_Click(); };
  notice_ = canvas_->Add(std::move(notice));
  canvas_->onBackgroundMove = [this](int b, int s, long x, long y) { form_->Form_MouseMove(b, s, x, y); };

  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  const RECT t = PxRect(about::kTextLeft, about::kTextTop, about::kTextWidth, about::kTextHeight);
  text_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", about::kDisclaimer,
                            WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, t.left, t.top,
                            t.right - t.left, t.bottom - t.top, hwnd_, nullptr, instance, nullptr);
  ::SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Verdana", 7.5)), FALSE);
  const RECT c = PxRect(about::kCloseLeft, about::kCloseTop, about::kCloseWidth, about::kCloseHeight);
  close_ = ::CreateWindowExA(0, "BUTTON", about::kCloseCaption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                             c.left, c.top, c.right - c.left, c.bottom - c.top, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
  ::SendMessageA(close_, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Tahoma", 8)), FALSE);
  form_ = std::make_unique<frmAbout>(env, *this, reinterpret_cast<WindowHandle>(owner_));
}

AboutWindow::~AboutWindow() {
  // Destroyed while open (the program ending): the unload still runs.
  if (loaded_) {
    loaded_ = false;
    form_->Form_Unload();
  }
  if (owner_) ::EnableWindow(owner_, TRUE);
}

void AboutWindow::ShowModal() {
  if (!form_) return;
  loaded_ = true;
  form_->Form_Load();
  open_ = true;
  ::EnableWindow(owner_, FALSE);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetFocus(close_);
  MSG msg;
  while (open_) {
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {  // the program is asked to end: the main loop sees it too
      if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (::IsDialogMessageA(hwnd_, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  Close();
}

// The owner takes the activation back before this window goes, and the window is gone before
// its unload puts the owner back into the topmost band (an owned window still there would keep
// the owner out of it under Wine).
void AboutWindow::Close() {
  open_ = false;
  if (!loaded_) return;
  loaded_ = false;
  ::EnableWindow(owner_, TRUE);
  ::DestroyWindow(hwnd_);
  form_->Form_Unload();
}

void AboutWindow::SetNoticeUnderline(bool underline) {
  canvas_->SetFont(notice_, Font("MS Sans Serif", 8.25, true, underline));
}

// The modal loop ends; the unload runs as the window closes (ShowModal).
void AboutWindow::Unload() { open_ = false; }

LRESULT AboutWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return Default(message, wParam, lParam);
  LRESULT result = 0;
  if (canvas_->Handle(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
        form_->Command1_Click();
        return 0;
      }
      if (LOWORD(wParam) == IDCANCEL) {  // Escape
        Unload();
        return 0;
      }
      break;
    case WM_CLOSE: Unload(); return 0;
    case WM_CTLCOLORSTATIC:  // the read-only disclaimer on white
      ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(0xFF, 0xFF, 0xFF));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tavrel::win32
