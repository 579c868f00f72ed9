// The views' tests on a real desktop: each test program starts its own X server and window
// manager (tests run one per process, so nothing is shared between them), then runs GoogleTest
// inside a QApplication on that display. Where Xvfb, openbox or xdotool is not installed every
// test is skipped and says so; a desktop that does not come up fails them.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "RealDesktop.h"

// Under LeakSanitizer (make test's second build): the D-Bus library that Qt's X11 platform loads
// keeps one buffer to the end of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  using namespace tavrel::wmtest;
  if (argc > 1 && std::strcmp(argv[1], kOtherProgramArg) == 0) return RunOtherProgram(argc, argv);

  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<RealDesktop> desktop;
  if (!GTEST_FLAG_GET(list_tests)) desktop = RealDesktop::Start(theDesktop.why, theDesktop.missing);
  theDesktop.desktop = desktop.get();
  if (desktop) ::setenv("DISPLAY", desktop->display().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", desktop ? "xcb" : "offscreen", 1);
  int rc = 0;
  {
    QApplication app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  return rc;
}
