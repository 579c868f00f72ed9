#include "gui/qt/ImageButton.h"

#include <QIcon>
#include <QImageReader>
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
  return ((m & Qt::ShiftModifier) ? 1 : 0) | ((m & Qt::ControlModifier) ? 2 : 0) | ((m & Qt::AltModifier) ? 4 : 0);
}

ImageButton::ImageButton(const QString& picture, QWidget* parent) : QLabel(parent) { setPicture(picture); }

namespace {
// Qt's own PNG reader only: an image reader left to guess asks every image plugin, and loading
// them (SVG, JPEG, GIF, ICO) costs start-up time and memory for nothing.
QPixmap ReadPng(const QString& path) {
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  return QPixmap::fromImage(reader.read());
}
}  // namespace

QPixmap DrawnPicture(const QString& png, const QSize& size, qreal ratio) {
  // The picture drawn for twice the size, on a screen that needs more than the plain one.
  QPixmap pm;
  if (ratio > 1.0) pm = ReadPng(QString(png).insert(png.size() - 4, QStringLiteral("@2x")));
  if (pm.isNull()) pm = ReadPng(png);
  const QSize want = size * ratio;
  if (!pm.isNull() && !size.isEmpty() && pm.size() != want)
    pm = pm.scaled(want, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  pm.setDevicePixelRatio(ratio);
  return pm;
}

void ImageButton::setPicture(const QString& picture) {
  picture_ = picture;
  if (size().isEmpty()) return;
  const qreal ratio = devicePixelRatioF();
  if (picture_.endsWith(QLatin1String(".png"))) {
    setPixmap(DrawnPicture(picture_, size(), ratio));
  } else {
    setPixmap(QIcon(picture_).pixmap(size(), ratio));
  }
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
