// The program's windows as the behaviour addresses them: by handle.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>

#include "core/IWindowManager.h"
#include "gui/qt/TopmostBand.h"

namespace tavrel::qt {

class QtWindowManager : public IWindowManager {
 public:
  QtWindowManager();
  // A window's handle, registered so that later calls can find it.
  WindowHandle Register(QWidget* w);
  QWidget* Find(WindowHandle h) const;

  // The band the program asked for and the screen does not show yet (see TopmostBand).
  std::optional<bool> PendingTopMost(const QWidget* w) const { return band_.Wanted(w); }
  void SetTopMost(WindowHandle window) override;
  void ClearTopMost(WindowHandle window) override;
  std::string StartMove(WindowHandle window) override;

 private:
  void StayOnTop(WindowHandle window, bool on);
  std::map<WindowHandle, QPointer<QWidget>> windows_;
  // What the window manager is told, and when: only changes the user can see.
  TopmostBand band_;
};

}  // namespace tavrel::qt
