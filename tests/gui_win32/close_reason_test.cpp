// Which close request each window message is.
#include "gui/win32/CloseReason.h"

#include <gtest/gtest.h>

#include "forms/frmMain.h"

namespace tavrel::win32 {
namespace {

TEST(CloseReason, SessionEndOwnMenuAndOtherPrograms) {
  const struct {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::optional<int> reason;
  } cases[] = {
      {WM_QUERYENDSESSION, 0, 0, unload::kAppWindows},  // shut-down
      {WM_QUERYENDSESSION, 0, static_cast<LPARAM>(ENDSESSION_CLOSEAPP), unload::kAppTaskManager},
      {WM_SYSCOMMAND, SC_CLOSE, 0, unload::kControlMenu},
      {WM_SYSCOMMAND, SC_CLOSE | 0x2, 0, unload::kControlMenu},  // the low bits are the system's
      {WM_SYSCOMMAND, SC_MINIMIZE, 0, std::nullopt},
      {WM_CLOSE, 0, 0, unload::kAppTaskManager},
      {WM_ENDSESSION, TRUE, 0, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(CloseReasonFor(c.message, c.wParam, c.lParam), c.reason);
  }
}

}  // namespace
}  // namespace tavrel::win32
