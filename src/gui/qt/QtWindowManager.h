// The program's windows as the behaviour addresses them: by handle.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>

#include "core/IWindowManager.h"

namespace tavrel::qt {

class QtWindowManager : public IWindowManager {
 public:
  // A window's handle, registered so that later calls can find it.
  WindowHandle Register(QWidget* w);
  QWidget* Find(WindowHandle h) const;

  void SetTopMost(WindowHandle window) override;
  void ClearTopMost(WindowHandle window) override;
  std::string StartMove(WindowHandle window) override;

 private:
  void StayOnTop(WindowHandle window, bool on);
  std::map<WindowHandle, QPointer<QWidget>> windows_;
};

}  // namespace tavrel::qt
