#include "gui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QIcon>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "gui/qt/Resources.h"
#include "gui/qt/SettingsWindow.h"
#include "gui/qt/Twips.h"

namespace tavrel::qt {

MainWindow::MainWindow(Env& env, QtWindowManager& wm) : env_(env), wm_(wm) {
  InitResources();
  setWindowTitle(QString::fromLocal8Bit(env.app.title.c_str()));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  resize(Px(kMainInnerWidth), Px(kMainInnerHeight));
  handle_ = wm_.Register(this);

  auto place = [](QWidget* w, const ControlPlace& c) {
    w->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
    w->setObjectName(QString::fromLatin1(c.name));
    if (*c.tooltip) w->setToolTip(QString::fromLatin1(c.tooltip));
  };
  // The pictures come drawn already (:/start/, made from the SVGs at build time).
  banner_ = new ImageButton(QStringLiteral(":/start/banner.png"), this);
  place(banner_, kMainLayout[0]);
  connect(banner_, &ImageButton::pressed, this,
          [this](int b, int s, int x, int y) { form_->Image1_MouseDown(b, s, Tw(x), Tw(y)); });

  // The five buttons on the banner, each with its picture and its own pointer.
  const char* pictures[] = {"toggle", "settings", "help", "minimize", "exit"};
  for (int i = 0; i < 5; ++i) {
    const QString name = QString::fromLatin1(pictures[i]);
    auto* b = new ImageButton(QStringLiteral(":/start/%1.png").arg(name), this);
    place(b, kMainLayout[static_cast<std::size_t>(i + 1)]);
    const QPixmap pointer = DrawnPicture(QStringLiteral(":/start/pointer_%1.png").arg(name), {32, 32}, 1.0);
    b->setCursor(QCursor(pointer, 1, 1));
    buttons_.push_back(b);
  }
  connect(buttons_[0], &ImageButton::clicked, this, [this] { form_->imgToggle_Click(); });
  connect(buttons_[1], &ImageButton::clicked, this, [this] { form_->imgSettings_Click(); });
  connect(buttons_[2], &ImageButton::clicked, this, [this] { form_->imgInfo_Click(); });
  connect(buttons_[3], &ImageButton::clicked, this, [this] { form_->imgMinimize_Click(); });
  connect(buttons_[4], &ImageButton::clicked, this, [this] { form_->imgExit_Click(); });

  // The activity view draws the behaviour's own text: no second copy of it is kept.
  txtConnection_ = new ActivityView(this);
  place(txtConnection_, kMainLayout[6]);

  listView_ = new QTreeView(this);
  place(listView_, kMainLayout[7]);
  listView_->setRootIsDecorated(false);
  listView_->setUniformRowHeights(true);
  listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  timer_ = std::make_unique<QtTimer>(3000, [this] { form_->tmrConnect_Timer(); });
  form_ = std::make_unique<frmMain>(env_, *this, *timer_);
  updates_ = std::make_unique<UpdateWindowOpener>(env_, wm_, handle_, form_->operations());
  form_->txtConnection.SetSink(txtConnection_);

  // The view takes the model when it is first shown: until the user asks for the list, a refresh
  // costs the view nothing (a hidden view would still measure the rows it is told of).
  model_ = new ConnectionListModel(form_->ListView1, this);
  listView_->installEventFilter(this);
  // The window first shows the activity view, as the load leaves it.
  listView_->hide();
  listView_->header()->setSectionsClickable(true);
  listView_->header()->setStretchLastSection(false);
  connect(model_, &ConnectionListModel::columnWidthSet, this,
          [this](int column, int twips) { listView_->setColumnWidth(column, Px(twips)); });
  connect(listView_->header(), &QHeaderView::sectionClicked, this,
          [this](int logical) { form_->ListView1_ColumnClick(logical + 1); });
  // The list sorts itself; the header only shows which column and which way.
  listView_->header()->setSortIndicatorShown(false);
  txtConnection_->viewport()->installEventFilter(this);
  listView_->viewport()->installEventFilter(this);

  connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::FocusMoved);

  // tmrConnect runs from the creation of the window.
  timer_->SetEnabled(true);
}

MainWindow::~MainWindow() {
  // The views must let go of the behaviour's data before it goes.
  timer_->SetEnabled(false);
  form_->txtConnection.SetSink(nullptr);
  listView_->setModel(nullptr);
  delete model_;
  model_ = nullptr;
}

ImageButton* MainWindow::button(const char* name) const {
  for (ImageButton* b : buttons_)
    if (b->objectName() == QLatin1String(name)) return b;
  return nullptr;
}

void MainWindow::CloseFor(int unloadMode) {
  closeReason_ = unloadMode;
  close();
}

void MainWindow::SetListVisible(bool visible) { listView_->setVisible(visible); }
bool MainWindow::ListVisible() const { return !listView_->isHidden(); }
void MainWindow::SetActivityVisible(bool visible) { txtConnection_->setVisible(visible); }

modMain::Rect MainWindow::Bounds() const {
  const QRect g = frameGeometry();
  return {Tw(g.x()), Tw(g.y()), Tw(g.width()), Tw(g.height())};
}

long MainWindow::ScreenWidth() const { return ScreenWidthTw(this); }

long MainWindow::ScreenHeight() const { return ScreenHeightTw(this); }

void MainWindow::MoveTo(long left, long top) { move(Px(left), Px(top)); }

long MainWindow::InnerWidth() const { return Tw(width()); }
long MainWindow::InnerHeight() const { return Tw(height()); }
bool MainWindow::Minimized() const { return isMinimized(); }
void MainWindow::Minimize() { showMinimized(); }

void MainWindow::SetViewsSize(long w, long h) {
  // Never a negative size, however small the window gets.
  const int pw = std::max(0, Px(w));
  const int ph = std::max(0, Px(h));
  txtConnection_->resize(pw, ph);
  listView_->resize(pw, ph);
}

// The borderless main window has no caption bar: the menu's top is 3000 twips exactly.
long MainWindow::MenuOffset() const { return Tw(geometry().y() - frameGeometry().y()); }

// Loaded before it is shown, so that it appears filled in; while one is open, that one comes up.
void MainWindow::ShowSettings() {
  if (settings_ && settings_->isVisible()) {
    settings_->raise();
    settings_->activateWindow();
    return;
  }
  settings_ = new SettingsWindow(env_, wm_, *this);
  settings_->form().Form_Load();
  settings_->show();
}

void MainWindow::ShowMenu(long left, long top) {
  if (!menu_) menu_ = std::make_unique<MenuWindow>(env_, wm_, *timer_, handle_, *updates_);
  menu_->ShowAt(left, top);
}

void MainWindow::UnloadMenu() {
  if (menu_) menu_->form().Form_QueryUnload();
}

void MainWindow::RequestClose(int unloadMode) { CloseFor(unloadMode); }

void MainWindow::UnloadOtherWindows() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->isVisible()) w->close();
  }
}

void MainWindow::EndProcess() {
  if (endProcess) return endProcess();
  QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  const int reason = closeReason_;
  closeReason_ = unload::kControlMenu;
  form_->Form_QueryUnload(reason);
  e->accept();
}

void MainWindow::changeEvent(QEvent* e) {
  if (e->type() == QEvent::WindowStateChange && !isMinimized()) form_->Form_Resize();
  QWidget::changeEvent(e);
}

// The program's active window, as Windows keeps it for a program: it changes only from one of the
// program's own windows to another. A switch to another program and back, the window manager's
// move (which takes the focus away for its grab) or a click on the window that was active already
// leave it as it was; a window or box of the program that closes hands it over. So the main
// window's activation runs when it takes over from another window of the program, or first of all
// when the program starts, and never steals the place the user dragged the window to.
void MainWindow::FocusMoved(QWindow* now) {
  if (!now || now->type() == Qt::Popup || now->type() == Qt::ToolTip) return;
  // An activation before the load is the load's to follow: the window is loaded, then activated.
  if (afterFirstPaint_) return;
  if (now == windowHandle()) {
    if (lastActive_ != now) form_->Form_Activate();
    form_->Form_GotFocus();
  }
  lastActive_ = now;
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (form_) form_->Form_Resize();
}

void MainWindow::AfterFirstPaint(std::function<void()> then) {
  afterFirstPaint_ = std::move(then);
  auto run = [this] {
    if (!afterFirstPaint_) return;
    const std::function<void()> f = std::move(afterFirstPaint_);
    afterFirstPaint_ = nullptr;
    f();
    if (QGuiApplication::focusWindow() == windowHandle()) FocusMoved(windowHandle());
  };
  // The expose that makes the window paint: the paint and its flush run inside its handling, and
  // what is posted from here runs after them.
  if (QWindow* native = windowHandle()) native->installEventFilter(this);
  QTimer::singleShot(1000, this, run);
  firstPaintDone_ = [this, run] {
    if (QWindow* native = windowHandle()) native->removeEventFilter(this);
    QTimer::singleShot(0, this, run);
  };
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == listView_ && e->type() == QEvent::Show && listView_->model() != model_) {
    listView_->setModel(model_);
    // The widths announced while the view had no model.
    for (int c = 0; c < model_->columnCount(); ++c)
      if (model_->widthTwips(c) > 0) listView_->setColumnWidth(c, Px(model_->widthTwips(c)));
  }
  if (e->type() == QEvent::Expose && firstPaintDone_ && watched == windowHandle() && windowHandle()->isExposed()) {
    const std::function<void()> done = std::move(firstPaintDone_);
    firstPaintDone_ = nullptr;
    done();
  }
  if (e->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint p = me->position().toPoint();
    const int b = ButtonCode(me->button()), s = ShiftCode(me->modifiers());
    if (watched == txtConnection_->viewport()) form_->txtConnection_MouseDown(b, s, Tw(p.x()), Tw(p.y()));
    if (watched == listView_->viewport()) form_->ListView1_MouseDown(b, s, Tw(p.x()), Tw(p.y()));
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace tavrel::qt
