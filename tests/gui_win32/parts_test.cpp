// The parts the Win32 windows are made of: the pictures the program carries, the settings
// window's list and password box, and the update window during a transfer.
#include "OnDesktop.h"

#include <commctrl.h>

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
    EXPECT_NE(Pointer(name), nullptr) << name;
  }
  EXPECT_EQ(Picture("NO_SUCH_PICTURE"), nullptr);
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
