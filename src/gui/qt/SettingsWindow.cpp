#include "gui/qt/SettingsWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

#include "gui/qt/MainWindow.h"
#include "gui/qt/Resources.h"
#include "gui/qt/Twips.h"
#include "gui/qt/Widgets.h"

namespace tavrel::qt {

namespace {

QString FromText(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string ToText(const QString& s) { return s.toStdString(); }

void Fill(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, colour);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

int ButtonsCode(Qt::MouseButtons b) {
  return ((b & Qt::LeftButton) ? 1 : 0) | ((b & Qt::RightButton) ? 2 : 0) | ((b & Qt::MiddleButton) ? 4 : 0);
}

// Shows every character of a password box as the chosen one.
class MaskStyle : public QProxyStyle {
 public:
  explicit MaskStyle(QChar mask) : mask_(mask) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == QStyle::SH_LineEdit_PasswordCharacter) return mask_.unicode();
    return QProxyStyle::styleHint(hint, option, widget, ret);
  }

 private:
  QChar mask_;
};

// Frame1 as Windows draws a frame: the whole of it in its own colour, an etched line round it
// from the middle of its caption down, and the caption on the frame's colour over that line. (The
// style's group box would lay a shaded panel of its own over the colour.)
class OptionFrame : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QColor fill = palette().color(QPalette::Window);
    p.fillRect(rect(), fill);
    const QFontMetrics fm(font());
    const QRect line = rect().adjusted(0, fm.height() / 2, -1, -1);
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(line.adjusted(0, 0, -1, -1));
    p.setPen(Qt::white);
    p.drawRect(line.adjusted(1, 1, 0, 0));
    const QRect caption(6, 0, fm.horizontalAdvance(title()) + 4, fm.height());
    p.fillRect(caption, fill);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(caption, Qt::AlignCenter, title());
  }
};

}  // namespace

// --- Adapters ---

void EntryListAdapter::AddItem(const std::string& text) { list_->addItem(FromText(text)); }
int EntryListAdapter::ListCount() const { return list_->count(); }
int EntryListAdapter::ListIndex() const { return list_->currentRow(); }

void EntryListAdapter::SetListIndex(int index) {
  fromCode_ = true;
  list_->setCurrentRow(index);
  fromCode_ = false;
}

std::string EntryListAdapter::Text() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? ToText(item->text()) : std::string();
}

std::string TextBoxAdapter::Text() const { return ToText(box_->text()); }
void TextBoxAdapter::SetText(const std::string& text) { box_->setText(FromText(text)); }

// --- The window ---

void SettingsWindow::Place(QWidget* w, const char* name) {
  const auto& c = settingswin::SettingsPlace(name);
  w->setObjectName(QString::fromLatin1(c.name));
  w->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
  if (*c.tooltip) w->setToolTip(QString::fromLatin1(c.tooltip));
}

QLabel* SettingsWindow::MakeLabel(const char* name, QWidget* parent) {
  auto* l = new QLabel(QString::fromLatin1(settingswin::SettingsPlace(name).caption), parent);
  Place(l, name);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}

SettingsWindow::SettingsWindow(Env& env, QtWindowManager& wm, MainWindow& main)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      env_(env),
      wm_(wm) {
  InitResources();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromLatin1(settingswin::kCaption));
  setFixedSize(Px(settingswin::kInnerWidth), Px(settingswin::kInnerHeight));
  const QFont font = VerdanaFont(8);
  setFont(font);
  Fill(this, Qt::white);
  handle_ = wm_.Register(this);
  const QColor grey = FromBgr(settingswin::kGrey);

  // The link panel: a grey decoration with the bars drawn under the links.
  auto* panel = new QWidget(this);
  Place(panel, "Shape2");
  Fill(panel, grey);
  shape3_ = new QWidget(this);
  Place(shape3_, "Shape3");
  shape1_ = new QWidget(this);
  Place(shape1_, "Shape1");
  for (QWidget* s : {panel, shape3_, shape1_}) s->setAttribute(Qt::WA_TransparentForMouseEvents);
  Fill(shape3_, grey);
  Fill(shape1_, grey);
  auto* line = new QWidget(this);
  Place(line, "Line1");
  Fill(line, QColor(0xA0, 0xA0, 0xA0));
  line->setAttribute(Qt::WA_TransparentForMouseEvents);

  QLabel* label4 = MakeLabel("Label4", this);
  QFont bold = font;
  bold.setBold(true);
  label4->setFont(bold);
  image1_ = new ImageButton(QStringLiteral(":/settings/logs.svg"), this);
  Place(image1_, "Image1");
  lblViewLogs_ = MakeLabel("lblViewLogs", this);
  lblContents_ = MakeLabel("lblContents", this);
  label3_ = MakeLabel("Label3", this);
  for (QWidget* link : std::initializer_list<QWidget*>{image1_, lblViewLogs_, lblContents_, label3_}) {
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);
    link->installEventFilter(this);
  }
  connect(image1_, &ImageButton::clicked, this, [this] { form_->Image1_Click(); });

  // The entry list and the account.
  list_ = new QListWidget(this);
  Place(list_, "List1");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  MakeLabel("Label1", this);
  text1_ = new QLineEdit(this);
  Place(text1_, "Text1");
  MakeLabel("Label2", this);
  text2_ = new QLineEdit(this);
  Place(text2_, "Text2");

  // The options.
  frame1_ = new OptionFrame(QString::fromLatin1(settingswin::SettingsPlace("Frame1").caption), this);
  Place(frame1_, "Frame1");
  Fill(frame1_, grey);
  frame1_->setMouseTracking(true);
  frame1_->installEventFilter(this);
  chkAutoReconnect_ =
      new QCheckBox(QString::fromLatin1(settingswin::SettingsPlace("chkAutoReconnect").caption), frame1_);
  Place(chkAutoReconnect_, "chkAutoReconnect");
  chkWindows_ = new QCheckBox(QString::fromLatin1(settingswin::SettingsPlace("chkWindows").caption), frame1_);
  Place(chkWindows_, "chkWindows");
  // A button fills its background with the button colour unless told to take the window's.
  for (QCheckBox* b : {chkAutoReconnect_, chkWindows_}) {
    b->setBackgroundRole(QPalette::Window);
    Fill(b, grey);
  }
  MakeLabel("lblDelLogs", frame1_);
  txtRetry_ = new QLineEdit(frame1_);
  Place(txtRetry_, "txtRetry");

  // The links lie above the bars.
  for (QWidget* w : std::initializer_list<QWidget*>{label4, image1_, lblViewLogs_, lblContents_, label3_}) w->raise();

  listAdapter_ = EntryListAdapter(list_);
  text1Adapter_ = TextBoxAdapter(text1_);
  text2Adapter_ = TextBoxAdapter(text2_);
  form_ = std::make_unique<frmSettings>(env_, *this, main.timer(), main.Handle());

  // Only the user's own changes are forwarded: a selection or a tick set from code is not.
  connect(list_, &QListWidget::currentRowChanged, this, [this](int) {
    if (!listAdapter_.SettingFromCode()) form_->List1_Click();
  });
  connect(chkAutoReconnect_, &QCheckBox::clicked, this, [this] { form_->chkAutoReconnect_Click(); });
  connect(chkWindows_, &QCheckBox::clicked, this, [this] { form_->chkWindows_Click(); });

  // The behaviour refers to the main window's timer: when the main window goes first, this
  // window goes without running the closing steps.
  connect(&main, &QObject::destroyed, this, [this] {
    form_.reset();
    hide();
    deleteLater();
  });
}

SettingsWindow::~SettingsWindow() {
  // Deleted without closing (the program tearing its windows down): the closing steps still run.
  if (form_) form_->Form_Unload();
}

QWidget* SettingsWindow::control(const char* name) const { return findChild<QWidget*>(QString::fromLatin1(name)); }

void SettingsWindow::SetPasswordChar(const std::string& mask) {
  if (mask.empty()) {
    text2_->setEchoMode(QLineEdit::Normal);
    return;
  }
  const QString m = FromText(mask);
  auto* style = new MaskStyle(m.isEmpty() ? QChar(u'*') : m.at(0));
  style->setParent(text2_);  // lives as long as the box it draws
  text2_->setStyle(style);
  text2_->setEchoMode(QLineEdit::Password);
}

bool SettingsWindow::AutoReconnectTicked() const { return chkAutoReconnect_->isChecked(); }
void SettingsWindow::SetAutoReconnectTicked(bool t) { chkAutoReconnect_->setChecked(t); }
bool SettingsWindow::WindowsTicked() const { return chkWindows_->isChecked(); }
void SettingsWindow::SetWindowsTicked(bool t) { chkWindows_->setChecked(t); }
std::string SettingsWindow::RetryText() const { return ToText(txtRetry_->text()); }
void SettingsWindow::SetRetryText(const std::string& t) { txtRetry_->setText(FromText(t)); }

void SettingsWindow::SetShape1Top(long top) { shape1_->move(shape1_->x(), Px(top)); }
void SettingsWindow::SetShape1Colour(std::uint32_t c) { Fill(shape1_, FromBgr(c)); }
void SettingsWindow::SetShape3Top(long top) { shape3_->move(shape3_->x(), Px(top)); }
void SettingsWindow::SetShape3Colour(std::uint32_t c) { Fill(shape3_, FromBgr(c)); }

void SettingsWindow::Unload() { close(); }

void SettingsWindow::closeEvent(QCloseEvent* e) {
  if (form_) form_->Form_Unload();
  e->accept();
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* e) {
  if (!form_) return QWidget::eventFilter(watched, e);
  if (e->type() == QEvent::MouseMove) {
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint p = me->position().toPoint();
    const int b = ButtonsCode(me->buttons()), s = ShiftCode(me->modifiers());
    const long x = Tw(p.x()), y = Tw(p.y());
    if (watched == lblViewLogs_) form_->lblViewLogs_MouseMove(b, s, x, y);
    if (watched == image1_) form_->Image1_MouseMove(b, s, x, y);
    if (watched == lblContents_) form_->lblContents_MouseMove(b, s, x, y);
    if (watched == label3_) form_->Label3_MouseMove(b, s, x, y);
    if (watched == frame1_) form_->Frame1_MouseMove(b, s, x, y);
  } else if (e->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(e);
    pressed_ = me->button() == Qt::LeftButton ? watched : nullptr;
  } else if (e->type() == QEvent::MouseButtonRelease && watched != image1_) {
    // A click: pressed and released with the left button over the same link. The picture
    // reports its own clicks.
    auto* me = static_cast<QMouseEvent*>(e);
    auto* w = qobject_cast<QWidget*>(watched);
    const bool click =
        pressed_ == watched && me->button() == Qt::LeftButton && w && w->rect().contains(me->position().toPoint());
    pressed_ = nullptr;
    if (click) {
      if (watched == lblContents_) form_->lblContents_Click();
      if (watched == label3_) form_->Label3_Click();
      if (watched == lblViewLogs_) form_->lblViewLogs_Click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace tavrel::qt
