#include "gui/qt/UpdateWindow.h"

#include <qguiapplication_platform.h>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTextCursor>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "forms/frmMain.h"
#include "gui/qt/ImageButton.h"
#include "gui/qt/Resources.h"
#include "gui/qt/Twips.h"
#include "gui/qt/Widgets.h"

namespace tavrel::qt {

namespace {

// CR LF (or a lone CR) in the behaviour's text; Qt's plain text documents break lines at LF.
QString ToDisplay(const std::string& s) { return LinesFromLocalText(s, true); }

// Twips to pixels for values read from the settings file, which may be anything a single holds:
// kept within a range the window system can take.
int SafePx(float twips) {
  if (!std::isfinite(twips)) return 0;
  constexpr float kLimit = 1.5e6f;  // about 100000 pixels at 96 DPI
  return Px(std::clamp(twips, -kLimit, kLimit));
}

const UpdateControlPlace& Place(const char* name) {
  for (const auto& p : kUpdateLayout)
    if (std::string_view(p.name) == name) return p;
  return kUpdateLayout[0];
}

void PlaceWidget(QWidget* w, const char* name) {
  const UpdateControlPlace& p = Place(name);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(Px(p.left), Px(p.top), Px(p.width), Px(p.height));
}

QLabel* LinkLabel(const char* text, const char* name, QWidget* parent) {
  auto* l = new QLabel(QString::fromLatin1(text), parent);
  PlaceWidget(l, name);
  QFont f = VerdanaFont(8);
  f.setUnderline(true);
  l->setFont(f);
  QPalette pal = l->palette();
  pal.setColor(QPalette::Active, QPalette::WindowText, QColor(0, 0, 0xFF));
  pal.setColor(QPalette::Inactive, QPalette::WindowText, QColor(0, 0, 0xFF));
  pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  l->setPalette(pal);
  l->setAlignment(Qt::AlignCenter);
  l->setCursor(Qt::PointingHandCursor);
  l->setFocusPolicy(Qt::TabFocus);  // Enter or Space follows the link
  l->setMouseTracking(true);
  return l;
}

QWidget* Shape(const char* name, QWidget* parent) {
  auto* s = new QWidget(parent);
  PlaceWidget(s, name);
  s->setAutoFillBackground(true);
  s->setAttribute(Qt::WA_TransparentForMouseEvents);  // the window's background gets the mouse
  return s;
}

}  // namespace

UpdateWindow::UpdateWindow(Env& env, QtWindowManager& wm, WindowHandle mainWindow, Operations& operations,
                           QMargins& knownFrame)
    : QWidget(nullptr, Qt::Window), env_(env), wm_(wm), main_(mainWindow), knownFrame_(knownFrame) {
  InitResources();
  setObjectName(QStringLiteral("frmUpdate"));
  setWindowTitle(QString::fromLatin1(update::kCaption));
  setWindowIcon(QIcon(QStringLiteral(":/update/icon.svg")));
  setMouseTracking(true);
  resize(Px(update::kDefaultWidth), Px(update::kDefaultHeight));
  // Never smaller than the smallest placement the behaviour keeps (the frame comes on top).
  setMinimumSize(Px(update::kMinWidth), Px(update::kMinHeight));

  // The bars first, so that they lie behind the links.
  shape1_ = Shape("Shape1", this);
  shape2_ = Shape("Shape2", this);
  image1_ = new ImageButton(QStringLiteral(":/update/icon.svg"), this);
  PlaceWidget(image1_, "Image1");
  image1_->setAttribute(Qt::WA_TransparentForMouseEvents);
  lblCheck_ = LinkLabel("Check for update", "lblCheck", this);
  lblDownload_ = LinkLabel("Download Update", "lblDownload", this);
  lblDownload_->setEnabled(false);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setTextVisible(false);
  progress_->setGeometry(0, Px(375), width(), Px(90));
  progress_->hide();

  txtUpdate_ = new QPlainTextEdit(this);
  txtUpdate_->setObjectName(QStringLiteral("txtUpdate"));
  txtUpdate_->setGeometry(0, Px(update::kTextTop), width(), std::max(0, height() - Px(update::kTextMargin)));
  txtUpdate_->setReadOnly(true);
  txtUpdate_->setUndoRedoEnabled(false);
  txtUpdate_->setFont(VerdanaFont(8));
  txtUpdate_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtUpdate_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtUpdate_->setMouseTracking(true);
  txtUpdate_->viewport()->setMouseTracking(true);

  for (QObject* o : {static_cast<QObject*>(lblCheck_), static_cast<QObject*>(lblDownload_),
                     static_cast<QObject*>(txtUpdate_), static_cast<QObject*>(txtUpdate_->viewport())})
    o->installEventFilter(this);

  form_ = std::make_unique<frmUpdate>(env_, *this, main_, operations);
  SetShapeColours(colour::kButtonFace, colour::kButtonFace);
}

UpdateWindow::~UpdateWindow() {
  if (waitCursor_) QApplication::restoreOverrideCursor();
  // Destroyed while open (the program ending): the unload still runs.
  if (loaded_) {
    loaded_ = false;
    form_->Form_Unload();
  }
}

UpdateWindowOpener::UpdateWindowOpener(Env& env, QtWindowManager& wm, WindowHandle mainWindow, Operations& operations)
    : env_(env), wm_(wm), main_(mainWindow), operations_(operations) {}

UpdateWindowOpener::~UpdateWindowOpener() { delete current_; }

UpdateWindow* UpdateWindowOpener::Open() {
  if (!current_) {
    current_ = new UpdateWindow(env_, wm_, main_, operations_, knownFrame_);
    current_->setAttribute(Qt::WA_DeleteOnClose);
    current_->Load();  // before it is shown, so that it appears where it belongs
  }
  current_->show();
  current_->raise();
  current_->activateWindow();
  return current_;
}

void UpdateWindowOpener::UnloadForExit() { delete current_; }

// --- Events ------------------------------------------------------------------------------------

void UpdateWindow::Load() {
  if (loaded_) return;
  loaded_ = true;
  form_->Form_Load();
}

void UpdateWindow::showEvent(QShowEvent* e) {
  Load();  // shown without Open: loaded as it first appears
  if (QWindow* w = windowHandle(); w && !watchingWindow_) {
    watchingWindow_ = true;
    w->installEventFilter(this);
  }
  QWidget::showEvent(e);
}

void UpdateWindow::closeEvent(QCloseEvent* e) {
  if (!form_->Form_QueryUnload()) {
    e->ignore();
    return;
  }
  if (loaded_) {
    loaded_ = false;
    form_->Form_Unload();
  }
  e->accept();
}

void UpdateWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  progress_->resize(width(), progress_->height());
  form_->Form_Resize();
}

void UpdateWindow::mouseMoveEvent(QMouseEvent* e) {
  form_->Form_MouseMove();
  QWidget::mouseMoveEvent(e);
}

bool UpdateWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == windowHandle()) {
    // The window manager's frame becomes known once the window is on screen.
    if (e->type() == QEvent::Expose || e->type() == QEvent::Move || e->type() == QEvent::Resize) LearnFrame();
    return false;
  }
  auto* label = qobject_cast<QLabel*>(watched);
  const bool isLink = label && (label == lblCheck_ || label == lblDownload_);
  switch (e->type()) {
    case QEvent::MouseMove:
      if (label == lblCheck_) {
        form_->lblCheck_MouseMove();
      } else if (label == lblDownload_) {
        form_->lblDownload_MouseMove();
      } else {
        form_->txtUpdate_MouseMove();
        return false;  // the text box still needs its moves (selection)
      }
      return true;
    case QEvent::MouseButtonRelease:
      if (isLink) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton && label->rect().contains(me->position().toPoint())) Click(label);
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (isLink) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
          Click(label);
          return true;
        }
      }
      break;
    default: break;
  }
  return QWidget::eventFilter(watched, e);
}

void UpdateWindow::Click(QLabel* label) {
  if (!label->isEnabled()) return;
  if (label == lblCheck_) form_->lblCheck_Click();
  if (label == lblDownload_) form_->lblDownload_Click();
}

void UpdateWindow::RequestClose() { QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection); }

// --- Geometry ----------------------------------------------------------------------------------
//
// The behaviour gives and takes the window's outer bounds, the window manager's frame included;
// Qt places the inner area. The window manager tells the frame only once the window is on screen,
// so until then the frame is assumed as the last update window had it, and the bounds are applied
// again when the real one is known. What the behaviour asked for (wanted_) is what the window
// reports until then, and afterwards as long as it stands there, so that the stored values neither
// grow by the frame nor wander by rounding from one opening to the next.

namespace {
bool OnX11() { return qGuiApp && qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); }
}  // namespace

QRect UpdateWindow::WantedPixels() const {
  return {SafePx(wanted_.left), SafePx(wanted_.top), std::max(1, SafePx(wanted_.width)),
          std::max(1, SafePx(wanted_.height))};
}

void UpdateWindow::Apply() {
  const QRect outer = WantedPixels();
  QWindow* w = windowHandle();
  appliedFrame_ = frameKnown_ && w ? w->frameMargins() : knownFrame_;
  const QSize inner = outer.size().shrunkBy(appliedFrame_).expandedTo(QSize(1, 1));
  if (!w) {
    // Not on screen yet: the window manager puts the frame's corner where it is asked to.
    move(outer.topLeft());
    resize(inner);
  } else {
    setGeometry(QRect(outer.topLeft() + QPoint(appliedFrame_.left(), appliedFrame_.top()), inner));
  }
}

void UpdateWindow::LearnFrame() {
  if (frameKnown_ || !loaded_) return;
  QWindow* w = windowHandle();
  if (!w || !w->isExposed()) return;
  const QMargins m = w->frameMargins();
  if (m.isNull() && OnX11()) return;  // the window manager has not told its frame yet
  frameKnown_ = true;
  knownFrame_ = m;
  if (m != appliedFrame_) Apply();
}

FormGeometry UpdateWindow::Geometry() const {
  if (!frameKnown_) return wanted_;
  const QRect g = frameGeometry();
  if (g == WantedPixels()) return wanted_;
  return {static_cast<float>(Tw(g.x())), static_cast<float>(Tw(g.y())), static_cast<float>(Tw(g.width())),
          static_cast<float>(Tw(g.height()))};
}

void UpdateWindow::Want(float FormGeometry::*side, float twips) {
  wanted_.*side = twips;
  Apply();
}

long UpdateWindow::InnerWidth() const { return Tw(width()); }
long UpdateWindow::InnerHeight() const { return Tw(height()); }

void UpdateWindow::SetUpdateTextSize(long w, long h) { txtUpdate_->resize(std::max(0, Px(w)), std::max(0, Px(h))); }

long UpdateWindow::ScreenWidth() const { return ScreenWidthTw(this); }

long UpdateWindow::ScreenHeight() const { return ScreenHeightTw(this); }

std::vector<FormGeometry> UpdateWindow::Screens() const {
  std::vector<FormGeometry> out;
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect a = s->availableGeometry();
    out.push_back({static_cast<float>(Tw(a.x())), static_cast<float>(Tw(a.y())), static_cast<float>(Tw(a.width())),
                   static_cast<float>(Tw(a.height()))});
  }
  return out;
}

long UpdateWindow::MainWidth() const {
  const QWidget* m = wm_.Find(main_);
  return m ? Tw(m->frameGeometry().width()) : kMainInnerWidth;
}

long UpdateWindow::MainHeight() const {
  const QWidget* m = wm_.Find(main_);
  return m ? Tw(m->frameGeometry().height()) : kMainInnerHeight;
}

// --- Content -----------------------------------------------------------------------------------

std::string UpdateWindow::Caption() const { return windowTitle().toLocal8Bit().toStdString(); }

void UpdateWindow::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromLocal8Bit(caption.data(), static_cast<qsizetype>(caption.size())));
}

void UpdateWindow::SetUpdateText(const std::string& text) { txtUpdate_->setPlainText(ToDisplay(text)); }

void UpdateWindow::AppendUpdateText(const std::string& text) {
  QTextCursor c(txtUpdate_->document());
  c.movePosition(QTextCursor::End);
  c.insertText(ToDisplay(text));
}

void UpdateWindow::SetDownloadEnabled(bool enabled) { lblDownload_->setEnabled(enabled); }

void UpdateWindow::SetShapeColours(std::uint32_t s1, std::uint32_t s2) {
  auto colour = [this](std::uint32_t c) {
    if (c & 0x80000000u) return palette().color(QPalette::Button);  // system colours: button face
    return FromBgr(c);
  };
  for (auto [shape, c] : {std::pair{shape1_, s1}, std::pair{shape2_, s2}}) {
    const QColor q = colour(c);
    if (shape->palette().color(QPalette::Window) == q) continue;
    QPalette pal = shape->palette();
    pal.setColor(QPalette::Window, q);
    shape->setPalette(pal);
  }
}

void UpdateWindow::Transferring(std::uint64_t received, std::uint64_t total) {
  if (progress_->isHidden()) {
    progress_->show();
    progress_->raise();
  }
  if (!waitCursor_) {
    waitCursor_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  if (total > 0) {
    progress_->setRange(0, 1000);
    progress_->setValue(static_cast<int>(std::min<std::uint64_t>(1000, received * 1000 / total)));
  } else {
    progress_->setRange(0, 0);  // size unknown: a busy bar
  }
  // Called from inside the transfer, for each piece received: the window's own event loop does
  // not run meanwhile, so it runs here. Paint and let timers run (the monitor's tick included),
  // but take no click or key while the click that started the transfer has not finished.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void UpdateWindow::TransferEnded() {
  progress_->hide();
  if (waitCursor_) {
    waitCursor_ = false;
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace tavrel::qt
