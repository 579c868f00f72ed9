// What the Win32 views add to the behaviour: their places in pixels, the image buttons and links
// that reach the behaviour's handlers, the views that show the behaviour's text and rows, the
// timer as the settings window closes, the menu's place and its closing when it loses the
// activation, the update window's outer bounds, and the border controller on real windows.
#include "OnDesktop.h"

#include <commctrl.h>

#include "forms/frmMain.h"
#include "gui/win32/MenuWindow.h"
#include "gui/win32/SettingsWindow.h"
#include "gui/win32/UpdateWindow.h"

// Rectangles compared and printed in the tests (found beside RECT, in the global namespace).
bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace tavrel::win32 {
namespace {

bool Visible(HWND w) { return ::IsWindowVisible(w) != FALSE; }

// --- Places at 96 DPI --------------------------------------------------------------------------

TEST_F(OnDesktop, MainWindowsPlacesInPixelsAt96Dpi) {
  if (ScreenDpi() != 96) GTEST_SKIP() << "the screen is at " << ScreenDpi() << " DPI";
  const HWND h = main->hwnd();
  EXPECT_EQ(InnerRect(h), (RECT{0, 0, 418, 245}));
  RECT outer{};
  ::GetWindowRect(h, &outer);
  EXPECT_EQ(outer.right - outer.left, 418) << "no frame is left around the inner area";

  const Canvas& c = main->canvas();
  EXPECT_EQ(ItemRect(c, "Image1"), (RECT{0, 0, 418, 59}));
  EXPECT_EQ(ItemRect(c, "imgExit"), (RECT{397, 5, 413, 21}));
  // Both views: the inner width, the inner height less 880 twips, below the banner.
  EXPECT_EQ(ChildRect(main->activityView()), (RECT{0, 59, 418, 245}));
  EXPECT_EQ(ChildRect(main->listView()), (RECT{0, 59, 418, 245}));
}

// --- The main window ---------------------------------------------------------------------------

TEST_F(OnDesktop, ToggleButtonSwapsTheViewsOnAClickOnly) {
  const HWND h = main->hwnd();
  EXPECT_TRUE(Visible(main->activityView()));
  EXPECT_FALSE(Visible(main->listView()));
  ClickItem(h, main->canvas(), "imgToggle");
  EXPECT_FALSE(Visible(main->activityView()));
  EXPECT_TRUE(Visible(main->listView()));
  // A press on one button let go over another is no click.
  ::SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(310, 12));
  ::SendMessageA(h, WM_LBUTTONUP, 0, MAKELPARAM(330, 12));
  EXPECT_TRUE(Visible(main->listView()));
}

TEST_F(OnDesktop, ActivityViewGrowsAtItsEndBeyondTheEditControlsDefaultLimit) {
  const HWND edit = main->activityView();
  const std::string start = WindowText(edit);
  ASSERT_FALSE(start.empty()) << "the start-up report";
  std::string big;  // past the edit control's default 32 KiB
  for (int n = 0; n < 800; ++n) big += "\r\n" + std::string(48, static_cast<char>('a' + n % 26));
  main->form().txtConnection.Append(big);
  main->form().txtConnection.Append("\r\nlast");
  const std::string now = WindowText(edit);
  EXPECT_EQ(now.size(), main->form().txtConnection.Text().size());
  EXPECT_EQ(now.substr(0, start.size()), start);
  EXPECT_EQ(now.substr(now.size() - 6), "\r\nlast");
  DWORD from = 0, to = 0;
  ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, now.size()) << "the insertion point is at the end";
  EXPECT_EQ(to, now.size());
}

std::string Cell(HWND list, int row, int column) {
  char buffer[256] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

void ClickHeader(HWND list, int column) {
  const HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT r{};
  ::SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r));
  Click(header, Centre(r));
}

TEST_F(OnDesktop, ConnectionListShowsTheRowsAndSortsOnAHeaderClick) {
  const HWND list = main->listView();
  const HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 6);
  ConnectionList& rows = main->form().ListView1;
  rows.BeginUpdate();
  rows.Add({"10.0.0.2", "50000", "192.0.2.9", "443", "5", "Established"});
  rows.Add({"10.0.0.2", "139", "0.0.0.0", "0", "2", "Listening"});
  rows.Add({"127.0.0.1", "631", "0.0.0.0", "0", "2", "Listening"});
  rows.EndUpdate();
  ClickItem(main->hwnd(), main->canvas(), "imgToggle");
  ASSERT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Cell(list, 0, 1), "50000") << "in the order they came";
  EXPECT_EQ(Cell(list, 2, 5), "Listening");

  ClickHeader(list, 1);  // Local Port, by its text
  EXPECT_EQ(Cell(list, 0, 1), "631");
  EXPECT_EQ(Cell(list, 1, 1), "50000");
  EXPECT_EQ(Cell(list, 2, 1), "139");

  // A refresh with fewer rows: the list view forgets the rows that went.
  rows.Clear();
  rows.Add({"10.0.0.2", "1", "0.0.0.0", "0", "2", "Listening"});
  EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
}

// --- The settings and menu windows -------------------------------------------------------------

TEST_F(OnDesktop, SettingsWindowOpensFromItsButtonAndItsCloseStoresTheRetryCountAsTyped) {
  const HWND h = main->hwnd();
  f.Save("Settings", "ConID", "DSL");
  ClickItem(h, main->canvas(), "imgSettings");
  SettingsWindow* s = main->settingsWindow();
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(Visible(s->hwnd()));
  ::SetWindowTextA(s->control("txtRetry"), "7");
  ClickItem(s->hwnd(), s->canvas(), "Label3");
  EXPECT_FALSE(Visible(s->hwnd()));
  EXPECT_EQ(f.Get("Settings", "Retry"), "7");
  EXPECT_TRUE(::KillTimer(h, 1)) << "the window's own timer runs again, an entry being configured";
}

TEST_F(OnDesktop, SettingsCheckBoxClickReachesTheSettingsFile) {
  main->form().imgSettings_Click();
  SettingsWindow* s = main->settingsWindow();
  ASSERT_NE(s, nullptr);
  const HWND box = s->control("chkAutoReconnect");
  const RECT r = InnerRect(box);
  Click(box, {5, r.bottom / 2});
  EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(f.Get("Settings", "AutoRecon"), "1");
}

TEST_F(OnDesktop, MenuOpensAtItsOwnPlaceWhereverTheMainWindowIsAndClosesWhenItLosesTheActivation) {
  const HWND h = main->hwnd();
  ::SetWindowPos(h, nullptr, 37, 81, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ClickItem(h, main->canvas(), "imgInfo");
  MenuWindow& menu = main->menuWindow();
  ASSERT_TRUE(WaitFor([&] { return Visible(menu.hwnd()); }));
  RECT r{};
  ::GetWindowRect(menu.hwnd(), &r);
  EXPECT_EQ(r.left, Px(kMenuLeft));
  EXPECT_EQ(r.top, Px(kMenuTop)) << "the borderless main window adds no offset";

  // Another window takes the activation: the menu closes.
  ASSERT_TRUE(WaitFor([&] { return ::GetActiveWindow() == menu.hwnd(); }));
  const HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED | WS_VISIBLE, 500, 500, 100, 60, nullptr,
                                       nullptr, nullptr, nullptr);
  ::SetActiveWindow(other);
  EXPECT_TRUE(WaitFor([&] { return !Visible(menu.hwnd()); }));
  EXPECT_FALSE(menu.IsOpen());
  ::DestroyWindow(other);
}

TEST_F(OnDesktop, MenuClosesWhenTheActivityViewIsPressed) {
  main->form().imgInfo_Click();
  ASSERT_TRUE(main->menuWindow().IsOpen());
  ::SendMessageA(main->activityView(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ::SendMessageA(main->activityView(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_FALSE(main->menuWindow().IsOpen());
}

// --- The update window -------------------------------------------------------------------------

TEST_F(OnDesktop, UpdateWindowOpensWhereItWasClosed) {
  UpdateWindow* u = main->updates().Open();
  ASSERT_NE(u, nullptr);
  ::SetWindowPos(u->hwnd(), nullptr, 40, 50, 500, 330, SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  u->Close();
  EXPECT_EQ(f.Get("Settings", "XfrmUpdate"), std::to_string(Tw(40)));
  EXPECT_EQ(f.Get("Settings", "WfrmUpdate"), std::to_string(Tw(500)));
  u = main->updates().Open();
  RECT r{};
  ::GetWindowRect(u->hwnd(), &r);
  EXPECT_EQ(r, (RECT{40, 50, 540, 380}));
}

// --- The border controller on the real style words and system menu ----------------------------

TEST_F(OnDesktop, BorderControllerGreysSystemMenuItemsFoundByTheirCommand) {
  const HWND w = ::CreateWindowExA(0, "STATIC", "framed", WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, nullptr, nullptr,
                                   nullptr, nullptr);
  ASSERT_NE(w, nullptr);
  const HMENU menu = ::GetSystemMenu(w, FALSE);
  // An item of our own after Close, as some window systems add: the walk goes by command id.
  ::AppendMenuA(menu, MF_STRING, 0x1230, "Extra");
  CFormBorder border(style, wm);
  border.Client(FormKind::kOrdinary, reinterpret_cast<WindowHandle>(w));
  border.MaxButton(false);
  EXPECT_EQ(::GetWindowLongA(w, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
  EXPECT_NE(::GetMenuState(menu, SC_MAXIMIZE & ~0x8000u, MF_BYCOMMAND) & MF_GRAYED, 0u);
  border.MaxButton(true);
  EXPECT_NE(::GetWindowLongA(w, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
  EXPECT_EQ(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(::GetMenuState(menu, 0x1230, MF_BYCOMMAND) & MF_GRAYED, 0u) << "others untouched";

  // The topmost band through the window manager; the style word reads it back.
  border.TopMost(true);
  EXPECT_TRUE(TopMost(w));
  EXPECT_TRUE(border.TopMost());
  border.TopMost(false);
  EXPECT_FALSE(TopMost(w));
  ::DestroyWindow(w);
}

}  // namespace
}  // namespace tavrel::win32
