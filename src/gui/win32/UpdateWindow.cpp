#include "gui/win32/UpdateWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "forms/frmMain.h"
#include "gui/win32/Keyboard.h"

namespace tavrel::win32 {

namespace {

constexpr char kClassName[] = "TavrelUpdate";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr UINT kCloseLater = WM_APP + 2;

// Twips to pixels for values read from the settings file, which may be anything a single holds:
// kept within a range the window system takes.
int SafePx(float twips) {
  if (!std::isfinite(twips)) return 0;
  constexpr float kLimit = 1.5e6f;  // about 100000 pixels at 96 DPI
  return Px(std::clamp(twips, -kLimit, kLimit));
}

RECT PlaceOf(const char* name) {
  for (const auto& p : kUpdateLayout)
    if (std::string_view(p.name) == name) return PxRect(p.left, p.top, p.width, p.height);
  return {};
}

// CR LF for the edit control, whatever line ends the text has.
std::string ToDisplay(const std::string& s) {
  std::string out;
  out.reserve(s.size() + s.size() / 16);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r') {
      out += "\r\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (s[i] == '\n') {
      out += "\r\n";
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

UpdateWindow* UpdateWindowOpener::Open() {
  if (!Current()) {
    window_.reset();
    window_ = std::make_unique<UpdateWindow>(env_, main_, operations_);
    window_->Load();  // before it is shown, so that it appears where it belongs
  }
  ::ShowWindow(window_->hwnd_, SW_SHOW);
  ::SetForegroundWindow(window_->hwnd_);  // opened by the user's click in the menu
  return window_.get();
}

UpdateWindow::UpdateWindow(Env& env, HWND mainWindow, Operations& operations) : main_(mainWindow) {
  const HICON icon =
      static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), "UPDATE", IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  if (!Create(kClassName, 0, kStyle, update::kCaption, CW_USEDEFAULT, CW_USEDEFAULT, Px(update::kDefaultWidth),
              Px(update::kDefaultHeight), nullptr, icon))
    return;
  canvas_ = std::make_unique<Canvas>(hwnd_);
  canvas_->SetBackground(::GetSysColor(COLOR_BTNFACE));
  auto shape = [&](const char* name) {
    Item i;
    i.name = name;
    i.rect = PlaceOf(name);
    i.fill = ::GetSysColor(COLOR_BTNFACE);
    return canvas_->Add(std::move(i));
  };
  shape1_ = shape("Shape1");
  shape2_ = shape("Shape2");
  Item picture;
  picture.name = "Image1";
  picture.rect = PlaceOf("Image1");
  picture.picture = Picture("UPDATE_ICON");
  canvas_->Add(std::move(picture));
  auto link = [&](const char* name, const char* text, bool download) {
    Item i;
    i.name = name;
    i.rect = PlaceOf(name);
    i.text = text;
    i.font = Font("Verdana", 8, false, true);
    i.textColour = RGB(0, 0, 0xFF);
    i.textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    i.cursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    i.mouse = true;
    i.onMove = [this, download](int, int, long, long) {
      download ? form_->lblDownload_MouseMove() : form_->lblCheck_MouseMove();
    };
    i.onClick = [this, download] { download ? form_->lblDownload_Click() : form_->lblCheck_Click(); };
    return canvas_->Add(std::move(i));
  };
  check_ = link("lblCheck", "Check for update", false);
  download_ = link("lblDownload", "Download Update", true);
  canvas_->SetEnabled(download_, false);
  canvas_->onBackgroundMove = [this](int, int, long, long) { form_->Form_MouseMove(); };

  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  text_ = ::CreateWindowExA(
      WS_EX_CLIENTEDGE, "EDIT", "",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, 0,
      Px(update::kTextTop), client.right, std::max(0, static_cast<int>(client.bottom) - Px(update::kTextMargin)), hwnd_,
      nullptr, instance, nullptr);
  ::SendMessageA(text_, EM_SETLIMITTEXT, 0, 0);
  // The report's mouse moves reach the behaviour (its bars go back to their idle colour).
  ::SetWindowSubclass(
      text_,
      [](HWND view, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) -> LRESULT {
        auto* self = reinterpret_cast<UpdateWindow*>(data);
        if (message == WM_MOUSEMOVE && self->form_) self->form_->txtUpdate_MouseMove();
        return ::DefSubclassProc(view, message, wParam, lParam);
      },
      1, reinterpret_cast<DWORD_PTR>(this));
  ::SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Verdana", 8)), FALSE);
  progress_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, Px(375), client.right, Px(90), hwnd_, nullptr,
                                instance, nullptr);
  form_ = std::make_unique<frmUpdate>(env, *this, reinterpret_cast<WindowHandle>(main_), operations);
  SetShapeColours(colour::kButtonFace, colour::kButtonFace);
}

UpdateWindow::~UpdateWindow() {
  if (waitCursor_) ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  Unload();  // destroyed while open (the program ending): the unload still runs
  UseKeyboardNavigation(hwnd_, false);
}

void UpdateWindow::Load() {
  if (loaded_ || !form_) return;
  loaded_ = true;
  form_->Form_Load();
  UseKeyboardNavigation(hwnd_, true);
}

void UpdateWindow::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  form_->Form_Unload();
  UseKeyboardNavigation(hwnd_, false);
  ::ShowWindow(hwnd_, SW_HIDE);
}

void UpdateWindow::Close() {
  if (loaded_ && form_->Form_QueryUnload()) Unload();
}

void UpdateWindow::RequestClose() { ::PostMessageA(hwnd_, kCloseLater, 0, 0); }

// --- Geometry: the outer bounds, as the window system keeps them -------------------------------
// What the behaviour asked for is what the window reports as long as it stands there, so that the
// stored values do not wander by rounding from one opening to the next.

RECT UpdateWindow::WantedPixels() const {
  const int l = SafePx(wanted_.left), t = SafePx(wanted_.top);
  return {l, t, l + std::max(1, SafePx(wanted_.width)), t + std::max(1, SafePx(wanted_.height))};
}

void UpdateWindow::Apply() {
  const RECT r = WantedPixels();
  ::SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

FormGeometry UpdateWindow::Geometry() const {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  const RECT wanted = WantedPixels();
  if (::EqualRect(&r, &wanted)) return wanted_;
  return {static_cast<float>(Tw(r.left)), static_cast<float>(Tw(r.top)), static_cast<float>(Tw(r.right - r.left)),
          static_cast<float>(Tw(r.bottom - r.top))};
}

void UpdateWindow::Want(float FormGeometry::*side, float twips) {
  wanted_ = Geometry();
  wanted_.*side = twips;
  Apply();
}

void UpdateWindow::SetUpdateTextSize(long width, long height) {
  ::SetWindowPos(text_, nullptr, 0, 0, std::max(0, Px(width)), std::max(0, Px(height)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<FormGeometry> UpdateWindow::Screens() const {
  std::vector<FormGeometry> out;
  ::EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (::GetMonitorInfoA(monitor, &info)) {
          const RECT& a = info.rcWork;
          reinterpret_cast<std::vector<FormGeometry>*>(data)->push_back(
              {static_cast<float>(Tw(a.left)), static_cast<float>(Tw(a.top)), static_cast<float>(Tw(a.right - a.left)),
               static_cast<float>(Tw(a.bottom - a.top))});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  if (out.empty()) return IUpdateView::Screens();
  return out;
}

long UpdateWindow::MainWidth() const {
  RECT r{};
  return ::GetWindowRect(main_, &r) ? Tw(r.right - r.left) : kMainInnerWidth;
}

long UpdateWindow::MainHeight() const {
  RECT r{};
  return ::GetWindowRect(main_, &r) ? Tw(r.bottom - r.top) : kMainInnerHeight;
}

// --- Content -----------------------------------------------------------------------------------

void UpdateWindow::SetUpdateText(const std::string& text) { ::SetWindowTextA(text_, ToDisplay(text).c_str()); }

void UpdateWindow::AppendUpdateText(const std::string& text) {
  const std::string piece = ToDisplay(text);
  const LRESULT end = ::SendMessageA(text_, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageA(text_, EM_SETSEL, end, end);
  ::SendMessageA(text_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
}

void UpdateWindow::SetShapeColours(std::uint32_t shape1, std::uint32_t shape2) {
  canvas_->SetFill(shape1_, ColourOf(shape1));
  canvas_->SetFill(shape2_, ColourOf(shape2));
}

void UpdateWindow::Transferring(std::uint64_t received, std::uint64_t total) {
  if (!::IsWindowVisible(progress_)) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    ::SetWindowPos(progress_, HWND_TOP, 0, Px(375), client.right, Px(90), SWP_SHOWWINDOW);
  }
  if (!waitCursor_) waitCursor_ = true;
  ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  if (total > 0) {
    ::SetWindowLongA(progress_, GWL_STYLE, ::GetWindowLongA(progress_, GWL_STYLE) & ~PBS_MARQUEE);
    ::SendMessageA(progress_, PBM_SETRANGE32, 0, 1000);
    ::SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(std::min<std::uint64_t>(1000, received * 1000 / total)),
                   0);
  } else {  // size unknown: a busy bar
    ::SetWindowLongA(progress_, GWL_STYLE, ::GetWindowLongA(progress_, GWL_STYLE) | PBS_MARQUEE);
    ::SendMessageA(progress_, PBM_SETMARQUEE, TRUE, 50);
  }
  // Paint, but take no click or key while the click that started the transfer has not finished.
  MSG msg;
  for (int n = 0; n < 100 && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++n)
    ::DispatchMessageA(&msg);
}

void UpdateWindow::TransferEnded() {
  ::ShowWindow(progress_, SW_HIDE);
  if (waitCursor_) {
    waitCursor_ = false;
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  }
}

LRESULT UpdateWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return Default(message, wParam, lParam);
  if (message == WM_SETCURSOR && waitCursor_) {
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    return TRUE;
  }
  LRESULT result = 0;
  if (canvas_->Handle(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        ::SetWindowPos(progress_, nullptr, 0, 0, client.right, Px(90), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        form_->Form_Resize();
      }
      return 0;
    case WM_GETMINMAXINFO: {
      // Never smaller than the smallest placement the behaviour keeps.
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {Px(update::kMinWidth), Px(update::kMinHeight)};
      return 0;
    }
    case WM_CTLCOLORSTATIC:  // the read-only report on white
      if (reinterpret_cast<HWND>(lParam) == text_) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) Close();  // Escape
      return 0;
    case WM_CLOSE:
    case kCloseLater: Close(); return 0;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tavrel::win32
