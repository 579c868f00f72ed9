#include "gui/win32/MainHost.h"

#include "gui/win32/CloseReason.h"

namespace tavrel::win32 {

namespace {

constexpr char kClassName[] = "TavrelMain";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 3000;
constexpr UINT kEndProcess = WM_APP + 1;
constexpr long kTwipsPerPixel = 15;

long Tw(long pixels) { return pixels * kTwipsPerPixel; }
int Px(long twips) { return static_cast<int>(twips / kTwipsPerPixel); }

}  // namespace

MainHost::MainHost(Env& env, Win32Desktop& desktop, HINSTANCE instance)
    : env_(env), desktop_(desktop) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &MainHost::Proc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClassName;
  ::RegisterClassExA(&wc);

  RECT r{0, 0, Px(kMainInnerWidth), Px(kMainInnerHeight)};
  ::AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
  hwnd_ = ::CreateWindowExA(0, kClassName, env.app.title.c_str(), WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top,
                            nullptr, nullptr, instance, this);
  if (!hwnd_) return;
  edit_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL,
                            0, 0, Px(kMainInnerWidth), Px(kMainInnerHeight), hwnd_, nullptr,
                            instance, nullptr);
  ::SendMessageA(edit_, EM_SETLIMITTEXT, 0, 0);  // no 32 KiB limit
  desktop_.SetOwner(hwnd_);

  timer_ = std::make_unique<Win32Timer>(hwnd_, kTimerId, kTimerInterval,
                                        [this] { form_->tmrConnect_Timer(); });
  form_ = std::make_unique<frmMain>(env_, *this, *timer_);
  form_->txtConnection.SetSink(this);
  timer_->SetEnabled(true);  // from the window's creation on
  form_->Form_Load();
}

MainHost::~MainHost() {
  if (form_) form_->txtConnection.SetSink(nullptr);
  if (hwnd_) ::DestroyWindow(hwnd_);
}


void MainHost::SetActivityVisible(bool visible) {
  if (edit_) ::ShowWindow(edit_, visible ? SW_SHOWNA : SW_HIDE);
}

modMain::Rect MainHost::Bounds() const {
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  return {Tw(r.left), Tw(r.top), Tw(r.right - r.left), Tw(r.bottom - r.top)};
}

long MainHost::ScreenWidth() const { return Tw(::GetSystemMetrics(SM_CXSCREEN)); }
long MainHost::ScreenHeight() const { return Tw(::GetSystemMetrics(SM_CYSCREEN)); }

void MainHost::MoveTo(long left, long top) {
  ::SetWindowPos(hwnd_, nullptr, Px(left), Px(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

long MainHost::InnerWidth() const {
  RECT r{};
  ::GetClientRect(hwnd_, &r);
  return Tw(r.right);
}

long MainHost::InnerHeight() const {
  RECT r{};
  ::GetClientRect(hwnd_, &r);
  return Tw(r.bottom);
}

void MainHost::SetViewsSize(long, long) {
  // The only view fills the inner area (see WM_SIZE).
}

void MainHost::EndProcess() {
  ending_ = true;
  ::ShowWindow(hwnd_, SW_HIDE);
  // Whatever loop runs next (the main one, or a message box's below the current handler) takes
  // this message first among the posted ones.
  ::PostMessageA(hwnd_, kEndProcess, 0, 0);
}

void MainHost::Replaced(const std::string& wholeText) {
  if (!edit_) return;
  ::SetWindowTextA(edit_, wholeText.c_str());
  const LRESULT end = ::SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageA(edit_, EM_SETSEL, end, end);
  ::SendMessageA(edit_, EM_SCROLLCARET, 0, 0);
}

void MainHost::Appended(std::string_view piece) {
  if (!edit_) return;
  const std::string text(piece);
  const LRESULT end = ::SendMessageA(edit_, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageA(edit_, EM_SETSEL, end, end);
  ::SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

LRESULT CALLBACK MainHost::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainHost*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self || !self->form_) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT MainHost::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kEndProcess || (message == WM_ENDSESSION && wParam)) ::ExitProcess(0);
  if (ending_) {  // unloaded: the process ends with the next message; nothing more runs
    return message == WM_QUERYENDSESSION ? TRUE : ::DefWindowProcA(hwnd_, message, wParam, lParam);
  }
  if (const auto reason = CloseReasonFor(message, wParam, lParam)) {
    form_->Form_QueryUnload(*reason);  // the close request is never refused; it ends the process
    return message == WM_QUERYENDSESSION ? TRUE : 0;
  }
  if (timer_->Handle(message, wParam)) return 0;
  switch (message) {
    case WM_ACTIVATE: {
      // Centred again when the program's own box or window hands the activation back.
      const HWND other = reinterpret_cast<HWND>(lParam);
      DWORD pid = 0;
      if (LOWORD(wParam) != WA_INACTIVE && other && ::GetWindowThreadProcessId(other, &pid) &&
          pid == ::GetCurrentProcessId())
        form_->Form_Activate();
      break;
    }
    case WM_SETFOCUS:
      form_->Form_GotFocus();
      if (edit_) ::SetFocus(edit_);
      return 0;
    case WM_SIZE:
      if (edit_) ::MoveWindow(edit_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      form_->Form_Resize();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace tavrel::win32
