// The pop-up menu window's behaviour: six link-like items and a close image. Picking an item does
// its action and (all but the update check) closes the menu; the menu also closes when it loses
// the focus. Closing restarts the main window's monitor timer when a phonebook entry is set and
// puts the main window back into the topmost band.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/Env.h"
#include "core/ITimer.h"

namespace tavrel {

// The menu's layout, in twips within its inner area.
namespace menu {
inline constexpr long kWidth = 2535;
inline constexpr long kHeight = 2820;
inline constexpr long kOutlineHeight = 2810;  // the outline rectangle at 0,0, kWidth wide

struct Item {
  const char* name;  // the label
  const char* caption;
  const char* tooltip;
  long top;
  const char* icon;  // the picture beside the label
  int iconIndex;     // that picture's index in the image array Image1
};
inline constexpr long kItemLeft = 840;
inline constexpr long kItemWidth = 1815;
inline constexpr long kItemHeight = 255;
inline constexpr long kIconLeft = 480;
inline constexpr long kIconSize = 240;
enum ItemIndex { kContents, kAbout, kHomepage, kFeedback, kRepBug, kUpdate };
inline constexpr std::array<Item, 6> kItems{{
    {"lblContents", "Contents ...", "Contents ...", 240, "contents", 0},
    {"lblAbout", "About Tavrel", "About Tavrel", 720, "about", 1},
    {"lblHomepage", "Tavrel Online", "Tavrel Homepage", 1080, "homepage", 2},
    {"lblFeedback", "Feedback", "Feedback", 1560, "feedback", 4},
    {"lblRepBug", "Report Bug", "Report Bug", 1920, "bug", 3},
    {"lblUpdate", "Check for update", "Check for update", 2400, "update", 5},
}};

// Separator lines from kLineLeft to kLineRight at these heights.
inline constexpr long kLineLeft = 480;
inline constexpr long kLineRight = 2520;
inline constexpr std::array<long, 3> kLineTops{600, 1440, 2280};

// The close image.
inline constexpr long kCloseLeft = 2280;
inline constexpr long kCloseTop = 0;
inline constexpr long kCloseSize = 255;
inline constexpr const char* kCloseTooltip = "Close menu";

// The vertical picture strip along the left edge.
inline constexpr long kStripWidth = 315;

// The highlight bar: where it starts (above the visible area) and where hovering the
// background sends it.
inline constexpr long kBarLeft = 360;
inline constexpr long kBarWidth = 2265;
inline constexpr long kBarHeight = 255;
inline constexpr long kBarStartTop = -400;
inline constexpr long kBarHiddenTop = -2000;

// The vendor's pages that the online items open.
inline constexpr const char* kProductPage = "/?mode=Products&p=tavrel";
inline constexpr const char* kFeedbackPage = "/?mode=Contact&sub-mode=cfeedback";
inline constexpr const char* kSupportPage = "/?mode=Contact&sub-mode=csupport";

inline constexpr const char* kHelpFile = "help.chm";
inline constexpr const char* kNoHelpQuestion =
    "Help files not present, would you like to view the online documentation?";
inline constexpr const char* kNotConnectedWarning = "Please make sure you are connected to the internet first";
// The probe's state code that means "not online".
inline constexpr int kNotOnlineCode = 7;
}  // namespace menu

class IMenuView {
 public:
  virtual ~IMenuView() = default;
  // Moves the highlight bar's top edge (twips within the menu).
  virtual void SetHighlightTop(long top) = 0;
  // True from the moment the menu is shown until it closes.
  virtual bool IsOpen() const = 0;
  // Closes the menu; its unload handler (frmMenu::Form_Unload) runs once as it closes.
  virtual void Unload() = 0;
  // The about window, modal and owned by the main window; returns once it has closed.
  virtual void ShowAbout() = 0;
  // Closes the about window that ShowAbout shows, if it is open; its unload handler has run when
  // this returns.
  virtual void UnloadAbout() = 0;
  // The update window, modeless and without owner.
  virtual void ShowUpdate() = 0;
};

class frmMenu {
 public:
  // tmrConnect and mainWindow are the main window's monitor timer and handle.
  frmMenu(Env& env, IMenuView& view, ITimer& tmrConnect, WindowHandle mainWindow);

  // Hovering: an item's label (index into menu::kItems) brings the highlight bar level with it,
  // the background hides it.
  void Item_MouseMove(std::size_t index, int button, int shift, long x, long y);
  void Form_MouseMove(int button, int shift, long x, long y);

  // The click on the label of menu::kItems[index]: the item's own handler below.
  void Item_Click(std::size_t index);

  void lblContents_Click();
  void lblAbout_Click();
  void lblHomepage_Click();
  void lblFeedback_Click();
  void lblRepBug_Click();
  void lblUpdate_Click();
  void imgClose_Click();

  // The menu lost the keyboard focus (a click outside it, another window taking the focus). A box
  // or the about window that the menu itself shows takes the focus without closing it.
  void Form_LostFocus();
  // The menu is asked to close by others than its own handlers (the desktop, the main window's
  // views, the program's end). It closes; an about window it shows closes first.
  void Form_QueryUnload();
  // The menu closes, whichever way: monitor timer and topmost band.
  void Form_Unload();

 private:
  void OpenOnline(const char* page);
  void CloseMenu();
  // A message box of the menu's own.
  int OwnBox(const char* text, int code);

  Env& env_;
  IMenuView& view_;
  ITimer& timer_;
  WindowHandle main_;
  int ownWindows_ = 0;  // the menu's own boxes and about window that are open
  bool aboutOpen_ = false;
};

}  // namespace tavrel
