#include "gui/win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "gui/win32/CloseReason.h"
#include "gui/win32/MenuWindow.h"
#include "gui/win32/SettingsWindow.h"
#include "gui/win32/UpdateWindow.h"

namespace tavrel::win32 {

namespace {

constexpr char kClassName[] = "TavrelMain";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 3000;
constexpr UINT kEndProcess = WM_APP + 1;
constexpr UINT_PTR kViewSubclass = 1;
constexpr COLORREF kBannerColour = RGB(0x17, 0x39, 0x6A);

struct ButtonPictures {
  const char* picture;
  const char* pointer;
};
// imgToggle to imgExit, as kMainLayout lists them.
constexpr ButtonPictures kButtons[] = {{"MAIN_TOGGLE", "MAIN_POINTER_TOGGLE"},
                                       {"MAIN_SETTINGS", "MAIN_POINTER_SETTINGS"},
                                       {"MAIN_HELP", "MAIN_POINTER_HELP"},
                                       {"MAIN_MINIMIZE", "MAIN_POINTER_MINIMIZE"},
                                       {"MAIN_EXIT", "MAIN_POINTER_EXIT"}};

RECT PlaceOf(const ControlPlace& c) { return PxRect(c.left, c.top, c.width, c.height); }

}  // namespace

MainWindow::MainWindow(Env& env) : env_(env) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&icc);
  // A fixed single frame with a caption, which the border controller takes away at load.
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT r{0, 0, Px(kMainInnerWidth), Px(kMainInnerHeight)};
  ::AdjustWindowRectEx(&r, style, FALSE, 0);
  if (!Create(kClassName, 0, style, env.app.title.c_str(), CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
              r.bottom - r.top, nullptr))
    return;
  canvas_ = std::make_unique<Canvas>(hwnd_);
  canvas_->SetBackground(::GetSysColor(COLOR_BTNFACE));
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);

  Item banner = PictureItem(kMainLayout[0].name, PlaceOf(kMainLayout[0]), "MAIN_BANNER");
  banner.fill = kBannerColour;
  banner.onDown = [this](int b, int s, long x, long y) { form_->Image1_MouseDown(b, s, x, y); };
  canvas_->Add(std::move(banner));
  using Click = void (frmMain::*)();
  constexpr Click kClicks[] = {&frmMain::imgToggle_Click, &frmMain::imgSettings_Click, &frmMain::imgInfo_Click,
                               &frmMain::imgMinimize_Click, &frmMain::imgExit_Click};
  for (std::size_t n = 0; n < 5; ++n) {
    const ControlPlace& c = kMainLayout[n + 1];
    Item b = PictureItem(c.name, PlaceOf(c), kButtons[n].picture);
    b.cursor = Pointer(kButtons[n].pointer);
    b.tooltip = c.tooltip;
    const Click click = kClicks[n];
    b.onClick = [this, click] { (form_.get()->*click)(); };
    canvas_->Add(std::move(b));
  }

  const RECT t = PlaceOf(kMainLayout[6]);
  edit_ =
      ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL,
                        t.left, t.top, t.right - t.left, t.bottom - t.top, hwnd_, nullptr, instance, nullptr);
  ::SendMessageA(edit_, EM_SETLIMITTEXT, 0, 0);  // no 32 KiB limit
  ::SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Tahoma", 8)), FALSE);
  ::SetWindowLongPtrA(edit_, GWLP_ID, 6);
  const RECT l = PlaceOf(kMainLayout[7]);
  list_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, l.left, l.top,
                            l.right - l.left, l.bottom - l.top, hwnd_, nullptr, instance, nullptr);
  ::SetWindowLongPtrA(list_, GWLP_ID, 7);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  ::SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Tahoma", 8)), FALSE);
  ::SetWindowSubclass(edit_, &MainWindow::ViewProc, kViewSubclass, reinterpret_cast<DWORD_PTR>(this));
  ::SetWindowSubclass(list_, &MainWindow::ViewProc, kViewSubclass, reinterpret_cast<DWORD_PTR>(this));

  timer_ = std::make_unique<Win32Timer>(hwnd_, kTimerId, kTimerInterval, [this] { form_->tmrConnect_Timer(); });
  form_ = std::make_unique<frmMain>(env_, *this, *timer_);
  form_->txtConnection.SetSink(this);
  form_->ListView1.SetSink(&listSink_);
  updates_ = std::make_unique<UpdateWindowOpener>(env_, hwnd_, form_->operations());
  menu_ = std::make_unique<MenuWindow>(env_, *timer_, hwnd_, *updates_);
  timer_->SetEnabled(true);  // from the window's creation on
}

MainWindow::~MainWindow() {
  if (timer_) timer_->SetEnabled(false);
  if (form_) {
    form_->txtConnection.SetSink(nullptr);
    form_->ListView1.SetSink(nullptr);
  }
  settings_.reset();
  menu_.reset();
  updates_.reset();
  if (edit_) ::RemoveWindowSubclass(edit_, &MainWindow::ViewProc, kViewSubclass);
  if (list_) ::RemoveWindowSubclass(list_, &MainWindow::ViewProc, kViewSubclass);
}

void MainWindow::Load() {
  if (!form_) return;
  loading_ = true;
  form_->Form_Load();
  loading_ = false;
  // The inner area keeps its size whatever frame the border controller left.
  const SIZE outer = OuterFor(Px(kMainInnerWidth), Px(kMainInnerHeight));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The program's first activation, which came while the window appeared during the load.
  if (!activated_ && ::GetActiveWindow() == hwnd_) {
    activated_ = true;
    form_->Form_Activate();
  }
}

void MainWindow::SetListVisible(bool visible) { ::ShowWindow(list_, visible ? SW_SHOWNA : SW_HIDE); }
bool MainWindow::ListVisible() const { return (::GetWindowLongA(list_, GWL_STYLE) & WS_VISIBLE) != 0; }
void MainWindow::SetActivityVisible(bool visible) { ::ShowWindow(edit_, visible ? SW_SHOWNA : SW_HIDE); }

modMain::Rect MainWindow::Bounds() const {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  return {Tw(r.left), Tw(r.top), Tw(r.right - r.left), Tw(r.bottom - r.top)};
}

long MainWindow::ScreenWidth() const { return Tw(::GetSystemMetrics(SM_CXSCREEN)); }
long MainWindow::ScreenHeight() const { return Tw(::GetSystemMetrics(SM_CYSCREEN)); }

void MainWindow::MoveTo(long left, long top) {
  ::SetWindowPos(hwnd_, nullptr, Px(left), Px(top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetViewsSize(long width, long height) {
  const int w = std::max(0, Px(width)), h = std::max(0, Px(height));
  for (HWND v : {edit_, list_}) ::SetWindowPos(v, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The caption bar's height above the inner area: 0 once the border controller took it away.
long MainWindow::MenuOffset() const {
  RECT outer{};
  ::GetWindowRect(hwnd_, &outer);
  POINT inner{0, 0};
  ::ClientToScreen(hwnd_, &inner);
  return Tw(inner.y - outer.top);
}

void MainWindow::ShowSettings() {
  if (settings_ && settings_->IsOpen()) {
    ::SetForegroundWindow(settings_->hwnd());
    return;
  }
  settings_ = std::make_unique<SettingsWindow>(env_, *timer_, hwnd_);
  settings_->Open();
}

void MainWindow::ShowMenu(long left, long top) { menu_->ShowAt(left, top); }

void MainWindow::UnloadMenu() { menu_->form().Form_QueryUnload(); }

void MainWindow::UnloadOtherWindows() {
  UnloadMenu();
  if (settings_) settings_->Unload();
  if (UpdateWindow* u = updates_->Current()) u->Close();
}

void MainWindow::EndProcess() {
  ending_ = true;
  ::ShowWindow(hwnd_, SW_HIDE);
  // Whatever loop runs next (the main one, or a message box's below the current handler) takes
  // this message first among the posted ones.
  ::PostMessageA(hwnd_, kEndProcess, 0, 0);
}

void MainWindow::Replaced(const std::string& wholeText) {
  ::SetWindowTextA(edit_, wholeText.c_str());
  const LRESULT end = ::SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageA(edit_, EM_SETSEL, end, end);
  ::SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

void MainWindow::Appended(std::string_view piece) {
  // Only the new piece goes into the control: the insertion point moves to the end and the
  // piece replaces the empty selection there.
  const std::string text(piece);
  const LRESULT end = ::SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageA(edit_, EM_SETSEL, end, end);
  ::SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  ::SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

// The list view holds no rows of its own: it is told how many there are and asks for the text of
// the cells it draws. Columns are made as the behaviour adds them, and their widths set only when
// the behaviour sets one, so that the widths the user drags stay through the refreshes.
void MainWindow::ListChanged() {
  const auto& columns = form_->ListView1.Columns();
  for (; columns_ < columns.size(); ++columns_) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = const_cast<char*>(columns[columns_].header.c_str());
    c.cx = columns[columns_].widthTwips > 0 ? Px(columns[columns_].widthTwips) : Px(1440);
    c.iSubItem = static_cast<int>(columns_);
    ::SendMessageA(list_, LVM_INSERTCOLUMNA, columns_, reinterpret_cast<LPARAM>(&c));
    widths_.push_back(columns[columns_].widthTwips);
  }
  for (std::size_t n = 0; n < columns.size(); ++n) {
    if (columns[n].widthTwips == widths_[n]) continue;
    widths_[n] = columns[n].widthTwips;
    if (widths_[n] > 0) ListView_SetColumnWidth(list_, static_cast<int>(n), Px(widths_[n]));
  }
  ListView_SetItemCountEx(list_, static_cast<int>(form_->ListView1.Count()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  ::InvalidateRect(list_, nullptr, FALSE);
}

LRESULT MainWindow::Notify(const NMHDR& header) {
  if (header.hwndFrom != list_) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOA: {
      auto& info = const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header));
      if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
        const auto& row = form_->ListView1.Item(static_cast<std::size_t>(info.item.iItem));
        const auto col = static_cast<std::size_t>(info.item.iSubItem);
        ::lstrcpynA(info.item.pszText, col < row.size() ? row[col].c_str() : "", info.item.cchTextMax);
      }
      return 0;
    }
    case LVN_COLUMNCLICK: {
      const auto& nm = reinterpret_cast<const NMLISTVIEW&>(header);
      form_->ListView1_ColumnClick(nm.iSubItem + 1);
      return 0;
    }
    default: return 0;
  }
}

// The views' mouse presses (they close an open menu), before the control handles them.
LRESULT CALLBACK MainWindow::ViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<MainWindow*>(data);
  if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
    const int b = ButtonCode(message, wParam), s = ShiftCode(wParam);
    const long x = Tw(static_cast<short>(LOWORD(lParam)));
    const long y = Tw(static_cast<short>(HIWORD(lParam)));
    if (view == self->edit_) self->form_->txtConnection_MouseDown(b, s, x, y);
    if (view == self->list_) self->form_->ListView1_MouseDown(b, s, x, y);
  }
  return ::DefSubclassProc(view, message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return Default(message, wParam, lParam);
  if (message == kEndProcess || (message == WM_ENDSESSION && wParam)) {
    // A transfer kept the update window open: its unload runs now.
    updates_->UnloadForExit();
    if (endProcess) {
      endProcess();
      return 0;
    }
    ::ExitProcess(0);
  }
  if (ending_) {  // unloaded: the process ends with the next message; nothing more runs
    return message == WM_QUERYENDSESSION ? TRUE : Default(message, wParam, lParam);
  }
  if (const auto reason = CloseReasonFor(message, wParam, lParam)) {
    form_->Form_QueryUnload(*reason);  // the close request is never refused; it ends the process
    return message == WM_QUERYENDSESSION ? TRUE : 0;
  }
  if (timer_->Handle(message, wParam)) return 0;
  LRESULT result = 0;
  if (canvas_->Handle(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ACTIVATE: {
      if (LOWORD(wParam) == WA_INACTIVE) break;
      // The program's first activation (at load), and each one that takes over from another of
      // the program's own windows or boxes: a switch back from another program, or a click on
      // the window the user has placed, never moves it.
      const HWND other = reinterpret_cast<HWND>(lParam);
      DWORD pid = 0;
      const bool fromOwn = other && ::GetWindowThreadProcessId(other, &pid) && pid == ::GetCurrentProcessId();
      if (loading_) break;  // run once the load has ended (Load)
      if (!activated_ || fromOwn) {
        activated_ = true;
        form_->Form_Activate();
      }
      break;
    }
    case WM_SETFOCUS:
      form_->Form_GotFocus();
      ::SetFocus(::IsWindowVisible(list_) ? list_ : edit_);
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) form_->Form_Resize();
      return 0;
    case WM_NOTIFY: return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
      // The read-only activity view on the window colour, as an edit box that takes no input.
      if (reinterpret_cast<HWND>(lParam) == edit_) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tavrel::win32
