// The about window's behaviour: fills in the version facts when it loads, keeps the main window
// out of the topmost band while it is open, and opens the home page from its notice line.
#pragma once

#include <array>
#include <string>

#include "core/Env.h"

namespace tavrel {

// The about window's design, in twips within its inner area.
namespace about {
inline constexpr const char* kCaption = "About";
inline constexpr unsigned kBackColour = 0x00E0E0E0;  // 0x00BBGGRR: light grey
inline constexpr long kWidth = 6255;
inline constexpr long kHeight = 4590;

inline constexpr long kBannerWidth = 6270;
inline constexpr long kBannerHeight = 885;
// Shape1: a decorative rectangle along the top edge, its left side beyond the window's.
inline constexpr long kShapeLeft = -120, kShapeTop = 0, kShapeWidth = 6375, kShapeHeight = 855;

// The rows of facts: label, ":" and value, 240 twips apart.
inline constexpr long kRowTop = 1200;
inline constexpr long kRowStep = 240;
inline constexpr long kRowHeight = 240;
inline constexpr long kLabelLeft = 960;
inline constexpr long kColonLeft = 2280;
inline constexpr long kValueLeft = 2400;
struct Row {
  const char* label;  // the left label's control name
  const char* caption;
  const char* valueLabel;  // the value's control name
};
enum RowIndex { kVersion, kBuild, kAuthor, kHomePage, kLicence };
inline constexpr std::array<Row, 5> kRows{{
    {"Label2", "Version", "Label13"},
    {"Label7", "Build", "Label14"},
    {"Label3", "Author", "Label15"},
    {"Label4", "Homepage", "Label16"},
    {"Label5", "Licence", "Label17"},
}};
// The licence row's value is part of the window's design; the others are filled at load.
inline constexpr const char* kLicenceText = "Freeware";

// The disclaimer box and the notice line (the home page link).
inline constexpr long kTextLeft = 600, kTextTop = 2760, kTextWidth = 4935, kTextHeight = 1095;
inline constexpr long kNoticeLeft = 120, kNoticeTop = 4200, kNoticeWidth = 3855, kNoticeHeight = 255;
inline constexpr long kCloseLeft = 5040, kCloseTop = 4200, kCloseWidth = 1095, kCloseHeight = 255;
inline constexpr const char* kCloseCaption = "&Close";

inline constexpr const char* kDisclaimer =
    "Tavrel is provided as it is, without warranty of any kind. The author accepts no liability "
    "for call charges, lost connection time, lost data or any other loss that comes from its "
    "use. You use it at your own risk.";
inline constexpr const char* kNotice = "Visit the Tavrel home page";
}  // namespace about

class IAboutView {
 public:
  virtual ~IAboutView() = default;
  // The value labels of the rows version, build, author and home page.
  virtual void SetVersion(const std::string& text) = 0;
  virtual void SetBuild(const std::string& text) = 0;
  virtual void SetAuthor(const std::string& text) = 0;
  virtual void SetHomePage(const std::string& text) = 0;
  virtual void RepaintCloseButton() = 0;
  // The notice line's font: underlined or not.
  virtual void SetNoticeUnderline(bool underline) = 0;
  // Closes the window; its unload handler (frmAbout::Form_Unload) runs as it closes.
  virtual void Unload() = 0;
};

class frmAbout {
 public:
  // mainWindow is the main window's handle, taken out of the topmost band while this is open.
  frmAbout(Env& env, IAboutView& view, WindowHandle mainWindow);

  void Form_Load();
  void Form_Unload();
  void Command1_Click();
  // The notice line: underlined while the mouse is over it, a link to the home page.
  void Label6_MouseMove(int button, int shift, long x, long y);
  void Form_MouseMove(int button, int shift, long x, long y);
  void Label6_Click();

 private:
  Env& env_;
  IAboutView& view_;
  WindowHandle main_;
};

}  // namespace tavrel
