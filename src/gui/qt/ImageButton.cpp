#include "gui/qt/ImageButton.h"

#include <QIcon>
#include <QWindow>

namespace tavrel::qt {

int ButtonCode(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

int ShiftCode(Qt::KeyboardModifiers m) {
  return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) |
         ((m & Qt::AltModifier) ? 4 : 0);
}

ImageButton::ImageButton(const QString& picture, QWidget* parent) : QLabel(parent) {
  setPicture(picture);
}

void ImageButton::setPicture(const QString& picture) {
  picture_ = picture;
  if (size().isEmpty()) return;
  const qreal ratio = devicePixelRatioF();
  QPixmap pm = QIcon(picture_).pixmap(size(), ratio);
  setPixmap(pm);
}

void ImageButton::resizeEvent(QResizeEvent* e) {
  QLabel::resizeEvent(e);
  setPicture(picture_);
}

void ImageButton::mousePressEvent(QMouseEvent* e) {
  down_ = e->button() == Qt::LeftButton;
  const QPoint p = e->position().toPoint();
  emit pressed(ButtonCode(e->button()), ShiftCode(e->modifiers()), p.x(), p.y());
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = down_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  down_ = false;
  if (click) emit clicked();
}

}  // namespace tavrel::qt
