#include "gui/qt/MenuWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <stdexcept>

#include "ProgramOnDesktop.h"

namespace tavrel::wmtest {
namespace {

using namespace std::chrono_literals;

class MenuOnDesktop : public ProgramOnDesktop {
 protected:
  // The info button opens the menu, which takes the focus.
  bool OpenMenu() {
    ClickOn(main->button("imgInfo"));
    return WaitUntil([&] { return FindMenu() && QGuiApplication::focusWindow() == menu().windowHandle(); });
  }
  // The one menu window, once the main window has made it.
  static qt::MenuWindow* FindMenu() {
    for (QWidget* t : QApplication::topLevelWidgets())
      if (auto* m = qobject_cast<qt::MenuWindow*>(t)) return m;
    return nullptr;
  }
  qt::MenuWindow& menu() {
    if (qt::MenuWindow* m = FindMenu()) return *m;
    throw std::logic_error("the menu was never opened");
  }
};

// The menu closes when the user clicks into another program; the monitor, stopped while the
// menu was open, goes on, and the main window is back in the band. The other program keeps the
// focus.
TEST_F(MenuOnDesktop, AClickIntoAnotherProgramClosesTheMenuAndTheMonitorGoesOn) {
  OtherProgram other;
  ASSERT_TRUE(other.Start({600, 500, 300, 150}));
  ASSERT_TRUE(OpenMenu());
  EXPECT_FALSE(main->timer().Enabled());
  ClickAt({750, 600});
  EXPECT_TRUE(WaitUntil([&] { return !menu().isVisible(); }));
  EXPECT_TRUE(main->timer().Enabled());
  EXPECT_TRUE(WaitUntil([&] { return main->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint); }));
  EXPECT_EQ(x.ActiveWindow(), other.window());
  EXPECT_EQ(MainFrame().topLeft(), kCentre);
}

// "Contents ..." without a help file asks first: the menu stays open behind its question and has
// the focus again after a No. "About Tavrel" shows the about window, which closes before the
// menu does; the main window then takes over and is centred again.
TEST_F(MenuOnDesktop, TheQuestionAndTheAboutWindowAreDoneWithBeforeTheMenuCloses) {
  ASSERT_TRUE(PutMainAt({40, 40}));
  ASSERT_TRUE(OpenMenu());
  const XWindow menuId = static_cast<XWindow>(menu().winId());
  const QPoint contents = Centre(menu().item(menu::kContents));
  const QPoint about = Centre(menu().item(menu::kAbout));
  ASSERT_TRUE(RunAsUser([&](XState& ux) {
    ClickAt(contents);
    ASSERT_TRUE(Poll([&] { return ux.ActiveWindow() != menuId && ux.Title(ux.ActiveWindow()) == "Tavrel"; }))
        << "the question";
    EXPECT_TRUE(ux.Viewable(menuId)) << "the menu stays open while its question is asked";
    Xdo({"key", "Escape"});  // No
    ASSERT_TRUE(Poll([&] { return ux.ActiveWindow() == menuId; })) << "and has the focus again after it";

    ClickAt(about);
    ASSERT_TRUE(Poll([&] { return ux.Title(ux.ActiveWindow()) == "About"; }));
    EXPECT_TRUE(ux.Viewable(menuId));
    Xdo({"key", "Escape"});
    EXPECT_TRUE(Poll([&] { return !ux.Viewable(menuId); })) << "the menu closes after the about window";
    EXPECT_TRUE(Poll([&] { return ux.ActiveWindow() == mainId; }));
  }));
  EXPECT_TRUE(WaitUntil([&] { return MainFrame().topLeft() == kCentre; }));
  EXPECT_TRUE(main->timer().Enabled());
}

}  // namespace
}  // namespace tavrel::wmtest
