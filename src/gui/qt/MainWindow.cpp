#include "gui/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

#include "gui/qt/Twips.h"

namespace tavrel::qt {

namespace {
// CR LF in the behaviour's text; Qt's plain text documents break lines at LF.
QString ToDisplay(std::string_view s) {
  QString q = QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return q;
}
}  // namespace

MainWindow::MainWindow(Env& env, QtWindowManager& wm) : env_(env), wm_(wm) {
  setWindowTitle(QString::fromLocal8Bit(env.app.title.c_str()));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFixedSize(Px(6270), Px(3675));
  handle_ = wm_.Register(this);

  banner_ = new QLabel(this);
  banner_->setGeometry(0, 0, Px(6270), Px(885));
  banner_->setText(QStringLiteral("  Tavrel"));
  banner_->setStyleSheet(QStringLiteral("background:#1d3f6e;color:white;font-weight:bold;font-size:18px;"));

  txtConnection_ = new QPlainTextEdit(this);
  txtConnection_->setGeometry(0, Px(885), Px(6255), Px(2775));
  txtConnection_->setReadOnly(true);
  txtConnection_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  txtConnection_->setUndoRedoEnabled(false);

  listView_ = new QTreeView(this);
  listView_->setGeometry(0, Px(885), Px(6135), Px(2775));
  listView_->setRootIsDecorated(false);
  listView_->setUniformRowHeights(true);
  listView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  timer_ = std::make_unique<QtTimer>(3000, [this] { form_->tmrConnect_Timer(); });
  form_ = std::make_unique<frmMain>(env_, *this, *timer_);
  form_->txtConnection.SetSink(this);

  model_ = new ConnectionListModel(form_->ListView1, this);
  listView_->setModel(model_);
  listView_->header()->setSectionsClickable(true);
  listView_->header()->setStretchLastSection(false);
  connect(model_, &ConnectionListModel::columnsChanged, this, [this] { ApplyColumnWidths(); });

  // tmrConnect runs from the creation of the window.
  timer_->SetEnabled(true);
}

MainWindow::~MainWindow() {
  form_->txtConnection.SetSink(nullptr);
  form_->ListView1.onChanged = nullptr;
}

void MainWindow::ApplyColumnWidths() {
  const auto& cols = form_->ListView1.Columns();
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (cols[i].widthTwips > 0) listView_->setColumnWidth(static_cast<int>(i), Px(cols[i].widthTwips));
  }
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

long MainWindow::ScreenWidth() const {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  return s ? Tw(s->geometry().width()) : 0;
}

long MainWindow::ScreenHeight() const {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  return s ? Tw(s->geometry().height()) : 0;
}

void MainWindow::MoveTo(long left, long top) { move(Px(left), Px(top)); }

void MainWindow::UnloadOtherWindows() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this && w->isVisible()) w->close();
  }
}

void MainWindow::EndProcess() { QCoreApplication::exit(0); }

void MainWindow::Replaced(const std::string& wholeText) {
  txtConnection_->setPlainText(ToDisplay(wholeText));
  txtConnection_->moveCursor(QTextCursor::End);
}

void MainWindow::Appended(std::string_view piece) {
  // Only the new piece goes into the document; a long text is never rebuilt.
  QTextCursor c(txtConnection_->document());
  c.movePosition(QTextCursor::End);
  c.insertText(ToDisplay(piece));
  txtConnection_->moveCursor(QTextCursor::End);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  const int reason = closeReason_;
  closeReason_ = unload::kControlMenu;
  form_->Form_QueryUnload(reason);
  e->accept();
}

void MainWindow::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) form_->Form_Activate();
  QWidget::changeEvent(e);
}

}  // namespace tavrel::qt
