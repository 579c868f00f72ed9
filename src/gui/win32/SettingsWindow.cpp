#include "gui/win32/SettingsWindow.h"

#include <string_view>

#include "gui/win32/Keyboard.h"

namespace tavrel::win32 {

namespace {

constexpr char kClassName[] = "TavrelSettings";
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
enum ControlId { kList = 101, kText1, kText2, kAutoReconnect, kWindows, kRetry };

// Controls inside Frame1 are placed relative to it.
bool InFrame(std::string_view name) {
  return name == "chkAutoReconnect" || name == "chkWindows" || name == "lblDelLogs" || name == "txtRetry";
}

RECT PlaceOf(const char* name) {
  const auto& c = settingswin::SettingsPlace(name);
  long left = c.left, top = c.top;
  if (InFrame(name)) {
    const auto& f = settingswin::SettingsPlace("Frame1");
    left += f.left;
    top += f.top;
  }
  return PxRect(left, top, c.width, c.height);
}

}  // namespace

void EntryListBox::AddItem(const std::string& text) {
  ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
int EntryListBox::ListCount() const { return static_cast<int>(::SendMessageA(list_, LB_GETCOUNT, 0, 0)); }
int EntryListBox::ListIndex() const {
  return static_cast<int>(::SendMessageA(list_, LB_GETCURSEL, 0, 0));  // LB_ERR is -1
}
void EntryListBox::SetListIndex(int index) {  // no notification: not the user's click
  ::SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
std::string EntryListBox::Text() const {
  const LRESULT index = ::SendMessageA(list_, LB_GETCURSEL, 0, 0);
  if (index < 0) return {};
  const LRESULT n = ::SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n <= 0) return {};
  std::string s(static_cast<std::size_t>(n) + 1, '\0');
  const LRESULT got = ::SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return s;
}

SettingsWindow::SettingsWindow(Env& env, ITimer& mainTimer, HWND mainWindow) {
  RECT r{0, 0, Px(settingswin::kInnerWidth), Px(settingswin::kInnerHeight)};
  ::AdjustWindowRectEx(&r, kStyle, FALSE, 0);
  // In the middle of the screen's work area.
  RECT work{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (!Create(kClassName, 0, kStyle, settingswin::kCaption, (work.left + work.right - w) / 2,
              (work.top + work.bottom - h) / 2, w, h, nullptr))
    return;
  canvas_ = std::make_unique<Canvas>(hwnd_);
  canvas_->SetBackground(RGB(0xFF, 0xFF, 0xFF));
  const COLORREF grey = ColourOf(settingswin::kGrey);
  grey_ = ::CreateSolidBrush(grey);
  const HFONT font = Font("Verdana", 8);
  const HCURSOR hand = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));

  auto shape = [&](const char* name, COLORREF fill) {
    Item i;
    i.name = name;
    i.rect = PlaceOf(name);
    i.fill = fill;
    return canvas_->Add(std::move(i));
  };
  shape("Shape2", grey);
  shape3_ = shape("Shape3", grey);
  shape1_ = shape("Shape1", grey);
  shape("Line1", RGB(0xA0, 0xA0, 0xA0));
  auto label = [&](const char* name, HFONT f) {
    Item i;
    i.name = name;
    i.rect = PlaceOf(name);
    i.text = settingswin::SettingsPlace(name).caption;
    i.tooltip = settingswin::SettingsPlace(name).tooltip;
    i.font = f;
    return i;
  };
  canvas_->Add(label("Label4", Font("Verdana", 8, true)));
  using Move = void (frmSettings::*)(int, int, long, long);
  using Click = void (frmSettings::*)();
  auto link = [&](Item i, Move move, Click click) {
    i.cursor = hand;
    i.mouse = true;
    i.onMove = [this, move](int b, int s, long x, long y) { (form_.get()->*move)(b, s, x, y); };
    i.onClick = [this, click] { (form_.get()->*click)(); };
    canvas_->Add(std::move(i));
  };
  Item picture;
  picture.name = "Image1";
  picture.rect = PlaceOf("Image1");
  picture.picture = Picture("SETTINGS_LOGS");
  link(std::move(picture), &frmSettings::Image1_MouseMove, &frmSettings::Image1_Click);
  link(label("lblViewLogs", font), &frmSettings::lblViewLogs_MouseMove, &frmSettings::lblViewLogs_Click);
  link(label("lblContents", font), &frmSettings::lblContents_MouseMove, &frmSettings::lblContents_Click);
  link(label("Label3", font), &frmSettings::Label3_MouseMove, &frmSettings::Label3_Click);

  // The options frame as Windows draws one: its colour, an etched line from the middle of the
  // caption down, the caption on the frame's colour.
  Item frame;
  frame.name = "Frame1";
  frame.rect = PlaceOf("Frame1");
  frame.fill = grey;
  frame.mouse = true;
  frame.onMove = [this](int b, int s, long x, long y) { form_->Frame1_MouseMove(b, s, x, y); };
  canvas_->Add(std::move(frame));
  Item edge;
  edge.name = "Frame1.edge";
  edge.rect = PlaceOf("Frame1");
  edge.rect.top += Px(90);
  edge.outline = RGB(0xA0, 0xA0, 0xA0);
  canvas_->Add(std::move(edge));
  Item caption;
  caption.name = "Frame1.caption";
  caption.rect = PlaceOf("Frame1");
  caption.rect.left += Px(90);
  caption.rect.right = caption.rect.left + Px(900);
  caption.rect.bottom = caption.rect.top + Px(195);
  caption.text = settingswin::SettingsPlace("Frame1").caption;
  caption.textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  caption.fill = grey;
  caption.font = font;
  canvas_->Add(std::move(caption));
  canvas_->Add(label("Label1", font));
  canvas_->Add(label("Label2", font));
  canvas_->Add(label("lblDelLogs", font));

  list_ = MakeControl("List1", "LISTBOX", LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
                      kList);
  text1w_ = MakeControl("Text1", "EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kText1);
  text2w_ = MakeControl("Text2", "EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kText2);
  autoReconnect_ = MakeControl("chkAutoReconnect", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, kAutoReconnect);
  windows_ = MakeControl("chkWindows", "BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, kWindows);
  retry_ = MakeControl("txtRetry", "EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, kRetry);
  list1_.Attach(list_);
  text1_.Attach(text1w_);
  text2_.Attach(text2w_);
  form_ = std::make_unique<frmSettings>(env, *this, mainTimer, reinterpret_cast<WindowHandle>(mainWindow));
}

SettingsWindow::~SettingsWindow() {
  // Deleted while open (the program tearing its windows down): the closing steps still run.
  if (form_ && open_) form_->Form_Unload();
  UseKeyboardNavigation(hwnd_, false);
  if (grey_) ::DeleteObject(grey_);
}

HWND SettingsWindow::MakeControl(const char* name, const char* cls, DWORD style, DWORD exStyle, int id) {
  const RECT r = PlaceOf(name);
  const char* caption = settingswin::SettingsPlace(name).caption;
  HWND h = ::CreateWindowExA(exStyle, cls, cls == std::string_view("BUTTON") ? caption : "",
                             WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font("Verdana", 8)), FALSE);
  return h;
}

HWND SettingsWindow::control(const std::string& name) const {
  if (name == "List1") return list_;
  if (name == "Text1") return text1w_;
  if (name == "Text2") return text2w_;
  if (name == "chkAutoReconnect") return autoReconnect_;
  if (name == "chkWindows") return windows_;
  if (name == "txtRetry") return retry_;
  return nullptr;
}

void SettingsWindow::Open() {
  if (!form_) return;
  form_->Form_Load();  // loaded before it is shown, so it appears filled in
  open_ = true;
  UseKeyboardNavigation(hwnd_, true);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::SetForegroundWindow(hwnd_);  // opened by the user's click on the main window
}

void SettingsWindow::SetPasswordChar(const std::string& mask) {
  ::SendMessageA(text2w_, EM_SETPASSWORDCHAR, mask.empty() ? 0 : static_cast<unsigned char>(mask[0]), 0);
  ::InvalidateRect(text2w_, nullptr, TRUE);
}

void SettingsWindow::SetShape1Top(long top) { canvas_->Move(shape1_, (*canvas_)[shape1_].rect.left, Px(top)); }

void SettingsWindow::SetShape3Top(long top) { canvas_->Move(shape3_, (*canvas_)[shape3_].rect.left, Px(top)); }

void SettingsWindow::Unload() {
  if (!open_) return;
  open_ = false;
  UseKeyboardNavigation(hwnd_, false);
  ::ShowWindow(hwnd_, SW_HIDE);
  form_->Form_Unload();
}

LRESULT SettingsWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!form_) return Default(message, wParam, lParam);
  LRESULT result = 0;
  if (canvas_->Handle(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == kList && code == LBN_SELCHANGE) form_->List1_Click();
      if (id == kAutoReconnect && code == BN_CLICKED) form_->chkAutoReconnect_Click();
      if (id == kWindows && code == BN_CLICKED) form_->chkWindows_Click();
      if (id == IDCANCEL) Unload();  // Escape
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      // The check boxes on the options frame's grey.
      if (reinterpret_cast<HWND>(lParam) == autoReconnect_ || reinterpret_cast<HWND>(lParam) == windows_) {
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ColourOf(settingswin::kGrey));
        return reinterpret_cast<LRESULT>(grey_);
      }
      break;
    case WM_CLOSE: Unload(); return 0;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tavrel::win32
