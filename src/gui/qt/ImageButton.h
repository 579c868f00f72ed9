// A picture that acts as a button: the image buttons of the banner, and the banner itself,
// which reports presses of any mouse button.
#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace tavrel::qt {

// A picture drawn at build time (name.png, and name@2x.png for 2x screens) at a size in
// device-independent pixels.
QPixmap DrawnPicture(const QString& png, const QSize& size, qreal ratio);

class ImageButton : public QLabel {
  Q_OBJECT
 public:
  // Renders the picture (SVG or bitmap resource) at the label's size and the screen's pixel
  // ratio, so that it stays crisp at 1x and 2x.
  ImageButton(const QString& picture, QWidget* parent);
  void setPicture(const QString& picture);

 signals:
  void clicked();
  // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt.
  void pressed(int button, int shift, int x, int y);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  QString picture_;
  bool down_ = false;
};

// The button and shift codes of a mouse event.
int ButtonCode(Qt::MouseButton b);
int ShiftCode(Qt::KeyboardModifiers m);

}  // namespace tavrel::qt
