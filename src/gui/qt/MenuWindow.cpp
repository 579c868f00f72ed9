#include "gui/qt/MenuWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "gui/qt/AboutWindow.h"
#include "gui/qt/Resources.h"
#include "gui/qt/Twips.h"
#include "gui/qt/UpdateWindow.h"
#include "gui/qt/Widgets.h"

namespace tavrel::qt {

namespace {

// Pictures and lines keep the mouse to themselves: moving over them changes nothing.
void KeepMouse(QWidget* w) { w->setAttribute(Qt::WA_NoMousePropagation); }

}  // namespace

MenuWindow::MenuWindow(Env& env, QtWindowManager& wm, ITimer& mainTimer, WindowHandle mainWindow,
                       UpdateWindowOpener& updates)
    // A frameless window of the dialog kind: no taskbar entry of its own, and a window the window
    // manager gives the focus back to when one of the menu's boxes closes.
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint), env_(env), wm_(wm), main_(mainWindow), updates_(updates) {
  InitResources();
  setWindowTitle(QStringLiteral("Menu"));
  setObjectName(QStringLiteral("frmMenu"));
  setFixedSize(Px(menu::kWidth), Px(menu::kHeight));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  setPalette(pal);
  setMouseTracking(true);
  wm_.Register(this);
  form_ = std::make_unique<frmMenu>(env_, *this, mainTimer, main_);

  // Bottom to top: the picture strip, the highlight bar, the icons and labels, lines, close.
  auto* strip = new ImageButton(QStringLiteral(":/menu/strip.svg"), this);
  strip->setObjectName(QStringLiteral("Image2"));
  strip->setGeometry(0, 0, Px(menu::kStripWidth), Px(menu::kHeight));
  KeepMouse(strip);

  bar_ = new ImageButton(QStringLiteral(":/menu/highlight.svg"), this);
  bar_->setObjectName(QStringLiteral("Shape1"));
  bar_->setGeometry(Px(menu::kBarLeft), Px(menu::kBarStartTop), Px(menu::kBarWidth), Px(menu::kBarHeight));
  KeepMouse(bar_);

  const QFont font = ArialFont(9.75);
  for (std::size_t i = 0; i < menu::kItems.size(); ++i) {
    const menu::Item& it = menu::kItems[i];
    auto* icon = new ImageButton(QStringLiteral(":/menu/%1.svg").arg(QLatin1String(it.icon)), this);
    icon->setObjectName(QStringLiteral("Image1_%1").arg(it.iconIndex));
    icon->setGeometry(Px(menu::kIconLeft), Px(it.top), Px(menu::kIconSize), Px(menu::kIconSize));
    KeepMouse(icon);

    auto* label = new ClickLabel(QString::fromLatin1(it.caption), this);
    label->setObjectName(QString::fromLatin1(it.name));
    label->setGeometry(Px(menu::kItemLeft), Px(it.top), Px(menu::kItemWidth), Px(menu::kItemHeight));
    label->setToolTip(QString::fromLatin1(it.tooltip));
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setCursor(Qt::PointingHandCursor);
    label->onMove = [this, i](int b, int s, int x, int y) { form_->Item_MouseMove(i, b, s, Tw(x), Tw(y)); };
    label->onClick = [this, i] { form_->Item_Click(i); };
    items_[i] = label;
  }

  int n = 1;
  for (const long top : menu::kLineTops) {
    auto* line = new QWidget(this);
    line->setObjectName(QStringLiteral("Line%1").arg(n++));
    line->setGeometry(Px(menu::kLineLeft), Px(top), Px(menu::kLineRight) - Px(menu::kLineLeft), 1);
    line->setAutoFillBackground(true);
    QPalette lp = line->palette();
    lp.setColor(QPalette::Window, QColor(0xB8, 0xC0, 0xCC));
    line->setPalette(lp);
    KeepMouse(line);
  }

  close_ = new ImageButton(QStringLiteral(":/menu/close.svg"), this);
  close_->setObjectName(QStringLiteral("imgClose"));
  close_->setGeometry(Px(menu::kCloseLeft), Px(menu::kCloseTop), Px(menu::kCloseSize), Px(menu::kCloseSize));
  close_->setToolTip(QString::fromLatin1(menu::kCloseTooltip));
  KeepMouse(close_);
  connect(close_, &ImageButton::clicked, this, [this] { form_->imgClose_Click(); });
  connect(qApp, &QGuiApplication::focusWindowChanged, this, &MenuWindow::FocusMoved);
}

MenuWindow::~MenuWindow() = default;

void MenuWindow::ShowAt(long left, long top) {
  // Each opening starts from the window's design: no item highlighted.
  SetHighlightTop(menu::kBarStartTop);
  move(Px(left), Px(top));
  open_ = true;
  show();
  hadFocus_ = QGuiApplication::focusWindow() == windowHandle();
  raise();
  activateWindow();
}

void MenuWindow::SetHighlightTop(long top) { bar_->move(bar_->x(), Px(top)); }

void MenuWindow::Unload() {
  if (!open_) return;
  open_ = false;
  hide();
  form_->Form_Unload();
}

// Modal, owned by the main window. The menu stays open behind it and closes after it (frmMenu).
void MenuWindow::ShowAbout() {
  AboutWindow about(env_, main_, wm_.Find(main_));
  about_ = &about;
  about.ShowModal();
  about_ = nullptr;
}

void MenuWindow::UnloadAbout() {
  if (about_) about_->Unload();
}

// The program's one update window, modeless and without owner. As it takes the focus the pop-up
// closes: the focus rule, not this handler, closes the menu.
void MenuWindow::ShowUpdate() { updates_.Open(); }

void MenuWindow::paintEvent(QPaintEvent* e) {
  QWidget::paintEvent(e);
  // The outline: kWidth x kOutlineHeight from the top left corner.
  QPainter p(this);
  p.setPen(QPen(QColor(0x50, 0x60, 0x78), 1));
  p.drawRect(0, 0, Px(menu::kWidth) - 1, Px(menu::kOutlineHeight) - 1);
}

void MenuWindow::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  form_->Form_MouseMove(ButtonCode(e->button()), ShiftCode(e->modifiers()), Tw(p.x()), Tw(p.y()));
}

// The menu loses the focus once it had it: a click on another window, another window or program
// taking the focus.
void MenuWindow::FocusMoved(QWindow* now) {
  if (!open_) return;
  if (now == windowHandle()) {
    hadFocus_ = true;
  } else if (hadFocus_) {
    hadFocus_ = false;
    form_->Form_LostFocus();
  }
}

// Escape dismisses the menu as its close image does.
void MenuWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    form_->imgClose_Click();
    return;
  }
  QWidget::keyPressEvent(e);
}

// Closed by the desktop rather than by the behaviour (the program ending, the window manager's
// close): the behaviour closes it.
void MenuWindow::closeEvent(QCloseEvent* e) {
  form_->Form_QueryUnload();
  e->accept();
}

}  // namespace tavrel::qt
