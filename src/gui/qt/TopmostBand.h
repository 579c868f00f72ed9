// The topmost band as the user sees it. Requests to put a window into the band or take it out
// are remembered and carried out on screen only when it matters: before another window of the
// program is shown (so that it is not hidden behind), or when the program next waits for events.
// A window taken out and put back with nothing shown in between is never touched, so a monitor
// cycle that releases the band around its log writing costs the window system nothing.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace tavrel::qt {

class TopmostBand : public QObject {
 public:
  // apply(window, on) changes the window's band on screen; on(window) tells where it is now.
  TopmostBand(std::function<void(QWidget*, bool)> apply, std::function<bool(QWidget*)> on);
  ~TopmostBand() override;

  // Asks for the window to be in the band (on) or out of it, from now on.
  void Want(QWidget* window, bool on);
  // Carries out what was asked and is not on screen yet.
  void Settle();
  bool Pending() const { return !wanted_.empty(); }
  // What was asked for the window and is not on screen yet; nothing when nothing is waiting.
  std::optional<bool> Wanted(const QWidget* window) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct Wish {
    QPointer<QWidget> window;
    bool on;
  };
  std::function<void(QWidget*, bool)> apply_;
  std::function<bool(QWidget*)> on_;
  std::vector<Wish> wanted_;
  bool watching_ = false;
};

}  // namespace tavrel::qt
