#include "gui/qt/TopmostBand.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QThread>

namespace tavrel::qt {

TopmostBand::TopmostBand(std::function<void(QWidget*, bool)> apply, std::function<bool(QWidget*)> on)
    : apply_(std::move(apply)), on_(std::move(on)) {}

TopmostBand::~TopmostBand() {
  if (watching_ && qApp) qApp->removeEventFilter(this);
}

void TopmostBand::Want(QWidget* window, bool on) {
  if (!window) return;
  for (Wish& w : wanted_) {
    if (w.window == window) {
      w.on = on;
      return;
    }
  }
  wanted_.push_back({window, on});
  if (watching_ || !qApp) return;
  watching_ = true;
  // Another window of the program about to be shown, and the event loop about to wait: the two
  // moments at which the band must be right on screen. Letting pending events run (as the
  // monitor cycle does between its two calls) is neither.
  qApp->installEventFilter(this);
  if (auto* d = QAbstractEventDispatcher::instance(QThread::currentThread()))
    connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TopmostBand::Settle, Qt::UniqueConnection);
}

std::optional<bool> TopmostBand::Wanted(const QWidget* window) const {
  for (const Wish& w : wanted_)
    if (w.window == window) return w.on;
  return std::nullopt;
}

void TopmostBand::Settle() {
  if (watching_) {
    watching_ = false;
    qApp->removeEventFilter(this);
    if (auto* d = QAbstractEventDispatcher::instance(QThread::currentThread()))
      disconnect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TopmostBand::Settle);
  }
  std::vector<Wish> wanted;
  wanted.swap(wanted_);
  for (const Wish& w : wanted)
    if (w.window && on_(w.window) != w.on) apply_(w.window, w.on);
}

bool TopmostBand::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) Settle();
  return false;
}

}  // namespace tavrel::qt
