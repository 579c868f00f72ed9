// The parts the Win32 windows are made of: the pictures the program carries, the drawn items and
// how the mouse reaches them, the settings window's list and password box, and the update
// window during a transfer.
#include "OnDesktop.h"

#include <commctrl.h>

#include "gui/win32/Canvas.h"
#include "gui/win32/SettingsWindow.h"
#include "gui/win32/UpdateWindow.h"

namespace tavrel::win32 {
namespace {

// --- Pictures ----------------------------------------------------------------------------------

TEST(Pictures, EveryPictureTheWindowsNameIsInTheProgramAtItsSize) {
  const struct {
    const char* name;
    int width, height;
  } pictures[] = {{"MAIN_BANNER", 418, 59},  {"MAIN_TOGGLE", 17, 17},     {"MAIN_SETTINGS", 16, 16},
                  {"MAIN_HELP", 17, 17},     {"MAIN_MINIMIZE", 16, 16},   {"MAIN_EXIT", 16, 16},
                  {"MENU_CONTENTS", 16, 16}, {"MENU_ABOUT", 16, 16},      {"MENU_HOMEPAGE", 16, 16},
                  {"MENU_FEEDBACK", 16, 16}, {"MENU_BUG", 16, 16},        {"MENU_UPDATE", 16, 16},
                  {"MENU_CLOSE", 17, 17},    {"MENU_HIGHLIGHT", 151, 17}, {"MENU_STRIP", 21, 188},
                  {"SETTINGS_LOGS", 16, 16}, {"UPDATE_ICON", 28, 28}};
  for (const auto& p : pictures) {
    const HBITMAP b = Picture(p.name);
    ASSERT_NE(b, nullptr) << p.name;
    BITMAP bm{};
    ASSERT_TRUE(::GetObjectA(b, sizeof bm, &bm)) << p.name;
    EXPECT_EQ(bm.bmWidth, p.width) << p.name;
    EXPECT_EQ(bm.bmHeight, p.height) << p.name;
    EXPECT_EQ(bm.bmBitsPixel, 32) << p.name << ": its transparency kept";
  }
  for (const char* name : {"MAIN_POINTER_TOGGLE", "MAIN_POINTER_SETTINGS", "MAIN_POINTER_HELP", "MAIN_POINTER_MINIMIZE",
                           "MAIN_POINTER_EXIT"}) {
    const HCURSOR c = Pointer(name);
    ASSERT_NE(c, nullptr) << name;
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(c, &info)) << name;
    EXPECT_FALSE(info.fIcon) << name;
    EXPECT_EQ(info.xHotspot, 1u) << name;
    EXPECT_EQ(info.yHotspot, 1u) << name;
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
  }
  EXPECT_EQ(Picture("NO_SUCH_PICTURE"), nullptr);
}

TEST(Pictures, SeeThroughPartsLeaveWhatIsBelow) {
  // The close image on red, stretched to twice its size: its corner stays red, its middle is the
  // picture's own.
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP target = ::CreateCompatibleBitmap(screen, 34, 34);
  ::ReleaseDC(nullptr, screen);
  const HGDIOBJ old = ::SelectObject(dc, target);
  const RECT all{0, 0, 34, 34};
  HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
  ::FillRect(dc, &all, red);
  DrawPicture(dc, Picture("MENU_CLOSE"), all);
  const COLORREF corner = ::GetPixel(dc, 0, 0), middle = ::GetPixel(dc, 17, 17);
  ::SelectObject(dc, old);
  ::DeleteObject(target);
  ::DeleteObject(red);
  ::DeleteDC(dc);
  EXPECT_EQ(corner, RGB(255, 0, 0));
  EXPECT_NE(middle, RGB(255, 0, 0));
}

// --- Drawn items and the mouse -----------------------------------------------------------------

Canvas* g_canvas = nullptr;
LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  LRESULT r = 0;
  if (g_canvas && g_canvas->Handle(m, w, l, r)) return r;
  return ::DefWindowProcA(h, m, w, l);
}

class Drawn : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "TavrelCanvasTest";
    ::RegisterClassA(&wc);
    host = ::CreateWindowExA(0, "TavrelCanvasTest", "drawn", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 200,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host, nullptr);
    canvas = std::make_unique<Canvas>(host);
    g_canvas = canvas.get();
    canvas->onBackgroundMove = [this](int, int, long x, long y) {
      log += "bg(" + std::to_string(x) + "," + std::to_string(y) + ") ";
    };
  }
  void TearDown() override {
    g_canvas = nullptr;
    canvas.reset();
    ::DestroyWindow(host);
  }
  std::size_t Add(const char* name, RECT r, bool mouse) {
    Item i;
    i.name = name;
    i.rect = r;
    i.mouse = mouse;
    i.tooltip = std::string("tip ") + name;
    const std::string n = name;
    i.onMove = [this, n](int b, int, long x, long y) {
      log += n + "(" + std::to_string(b) + "," + std::to_string(x) + "," + std::to_string(y) + ") ";
    };
    i.onClick = [this, n] { log += n + "! "; };
    return canvas->Add(std::move(i));
  }
  void Move(int x, int y, WPARAM keys = 0) { ::SendMessageA(host, WM_MOUSEMOVE, keys, MAKELPARAM(x, y)); }
  void Press(int x, int y) { ::SendMessageA(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
  void Release(int x, int y) { ::SendMessageA(host, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

  HWND host = nullptr;
  std::unique_ptr<Canvas> canvas;
  std::string log;
};

TEST_F(Drawn, TheTopmostItemThatTakesTheMouseGetsItInTwipsFromItsCorner) {
  Add("under", {10, 10, 110, 60}, true);
  Add("over", {50, 20, 90, 40}, true);
  Add("glass", {0, 0, 300, 200}, false);  // drawn on top, but lets the mouse through
  Move(60, 30, MK_LBUTTON);
  Move(20, 15);
  Move(200, 150);
  EXPECT_EQ(log, "over(1,150,150) under(0,150,75) bg(3000,2250) ");
}

TEST_F(Drawn, AClickIsAPressAndAReleaseOnTheSameEnabledItem) {
  const std::size_t a = Add("a", {10, 10, 50, 50}, true);
  Add("b", {60, 10, 100, 50}, true);
  Press(20, 20);
  Release(25, 25);
  Press(20, 20);
  Release(70, 20);  // let go over another item
  Press(70, 20);
  Release(150, 150);  // let go outside
  canvas->SetEnabled(a, false);
  Press(20, 20);
  Release(20, 20);
  EXPECT_EQ(log, "a! ") << "moves aside";
}

TEST_F(Drawn, AMovedItemTakesItsTooltipAlong) {
  const std::size_t bar = Add("bar", {0, 0, 40, 10}, true);
  canvas->Move(bar, 100, 120);
  EXPECT_EQ((*canvas)[bar].rect.left, 100);
  EXPECT_EQ((*canvas)[bar].rect.bottom, 130);
  Move(110, 125);
  EXPECT_EQ(log, "bar(0,150,75) ");
  Move(5, 5);
  EXPECT_EQ(log, "bar(0,150,75) bg(75,75) ") << "nothing left at the old place";
}

// --- Settings window ---------------------------------------------------------------------------

TEST_F(OnDesktop, SettingsListShowsThePhonebookAndAClickOnAnEntryLoadsItsAccount) {
  f.phonebook.entries = {{"DSL", "dsl-user", "secret1"}, {"Mobile", "mobile-user", "secret2"}};
  main->form().imgSettings_Click();
  SettingsWindow* s = main->settingsWindow();
  ASSERT_NE(s, nullptr);
  const HWND list = s->control("List1");
  ASSERT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(::SendMessageA(list, LB_GETCURSEL, 0, 0), 0) << "the first entry";
  EXPECT_EQ(WindowText(s->control("Text1")), "dsl-user");
  // The password box shows its characters as '*'.
  EXPECT_EQ(::SendMessageA(s->control("Text2"), EM_GETPASSWORDCHAR, 0, 0), '*');
  RECT item{};
  ::SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
  Click(list, Centre(item));
  EXPECT_EQ(::SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(WindowText(s->control("Text1")), "mobile-user");
}

// --- Update window during a transfer -----------------------------------------------------------

// A transfer that stops half way to let the test look at the window.
class PausingDownloader : public IDownloader {
 public:
  DownloadResult DownloadFile(const std::string&, const std::string&, std::uint64_t,
                              const Progress& progress) override {
    if (progress) progress(50, 100);
    if (halfWay) halfWay();
    return DownloadResult::Failed(DownloadFailure::kNotFound, "the server answered 404");
  }
  std::function<void()> halfWay;
};

TEST_F(OnDesktop, UpdateWindowShowsTheTransferAndClosesOnlyOnceItHasEnded) {
  PausingDownloader downloader;
  Env withTransfer{f.env.app,   f.desktop, f.clock,     f.fs,      f.profile,  f.registry, f.connection,
                   f.phonebook, f.tcp,     f.addresses, f.sockets, downloader, wm,         style};
  UpdateWindowOpener updates(withTransfer, main->hwnd(), main->form().operations());
  UpdateWindow* u = updates.Open();
  ASSERT_NE(u, nullptr);
  bool visible = false, stillOpen = false;
  LRESULT position = 0;
  downloader.halfWay = [&] {
    visible = ::IsWindowVisible(u->progressBar()) != FALSE;
    position = ::SendMessageA(u->progressBar(), PBM_GETPOS, 0, 0);
    ::SendMessageA(u->hwnd(), WM_CLOSE, 0, 0);  // the user closes the window meanwhile
    stillOpen = u->IsOpen();
  };
  ClickItem(u->hwnd(), u->canvas(), "lblCheck");
  EXPECT_TRUE(visible);
  EXPECT_EQ(position, 500);
  EXPECT_TRUE(stillOpen) << "not closed in the middle of the transfer";
  EXPECT_FALSE(::IsWindowVisible(u->progressBar()));
  EXPECT_TRUE(WaitFor([&] { return updates.Current() == nullptr; })) << "closed once it ended";
}

}  // namespace
}  // namespace tavrel::win32
