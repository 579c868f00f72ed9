#include "gui/qt/AboutWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/qt/Resources.h"
#include "gui/qt/Twips.h"
#include "gui/qt/Widgets.h"

namespace tavrel::qt {

namespace {

// A shape as the window draws it: a rectangle of one-pixel lines, see-through inside.
class Outline : public QWidget {
 public:
  explicit Outline(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

// Verdana where it is installed, else the close sans-serif DejaVu Sans.
QFont RowFont() { return VerdanaFont(9.75); }
QFont NoticeFont() {
  return PickFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                   QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")},
                  8.25, true);
}

QLabel* RowText(const QString& text, const char* name, long left, long top, long width, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setGeometry(Px(left), Px(top), Px(width), Px(about::kRowHeight));
  l->setFont(RowFont());
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return l;
}

}  // namespace

AboutWindow::AboutWindow(Env& env, WindowHandle mainWindow, QWidget* owner) : QDialog(owner) {
  InitResources();
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QString::fromLatin1(about::kCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(Px(about::kWidth), Px(about::kHeight));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, FromBgr(about::kBackColour));
  setPalette(pal);
  setMouseTracking(true);

  banner_ = new ImageButton(QStringLiteral(":/banner.svg"), this);
  banner_->setObjectName(QStringLiteral("Image2"));
  banner_->setGeometry(0, 0, Px(about::kBannerWidth), Px(about::kBannerHeight));
  shape1_ = new Outline(this);
  shape1_->setObjectName(QStringLiteral("Shape1"));
  shape1_->setGeometry(Px(about::kShapeLeft), Px(about::kShapeTop), Px(about::kShapeWidth), Px(about::kShapeHeight));

  static constexpr std::array<const char*, about::kRows.size()> kColons{"Label8", "Label9", "Label10", "Label11",
                                                                        "Label12"};
  const long valueWidth = about::kWidth - about::kValueLeft - 120;
  for (std::size_t i = 0; i < about::kRows.size(); ++i) {
    const about::Row& r = about::kRows[i];
    const long top = about::kRowTop + static_cast<long>(i) * about::kRowStep;
    labels_[i] = RowText(QString::fromLatin1(r.caption), r.label, about::kLabelLeft, top,
                         about::kColonLeft - about::kLabelLeft, this);
    RowText(QStringLiteral(":"), kColons[i], about::kColonLeft, top, about::kValueLeft - about::kColonLeft, this);
    values_[i] = RowText(QString(), r.valueLabel, about::kValueLeft, top, valueWidth, this);
  }
  values_[about::kLicence]->setText(QString::fromLatin1(about::kLicenceText));

  text_ = new QPlainTextEdit(QString::fromLatin1(about::kDisclaimer), this);
  text_->setObjectName(QStringLiteral("Text1"));
  text_->setGeometry(Px(about::kTextLeft), Px(about::kTextTop), Px(about::kTextWidth), Px(about::kTextHeight));
  text_->setReadOnly(true);
  text_->setFont(VerdanaFont(7.5));
  text_->setFocusPolicy(Qt::NoFocus);

  auto* notice = new ClickLabel(QString::fromLatin1(about::kNotice), this);
  notice->setObjectName(QStringLiteral("Label6"));
  notice->setGeometry(Px(about::kNoticeLeft), Px(about::kNoticeTop), Px(about::kNoticeWidth), Px(about::kNoticeHeight));
  notice->setFont(NoticeFont());
  notice->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  notice->setCursor(Qt::PointingHandCursor);
  notice->setToolTip(QString::fromStdString(env.app.homePage));
  notice->onMove = [this](int b, int s, int x, int y) { form_->Label6_MouseMove(b, s, Tw(x), Tw(y)); };
  notice->onClick = [this] { form_->Label6_Click(); };
  notice_ = notice;

  close_ = new QPushButton(QString::fromLatin1(about::kCloseCaption), this);
  close_->setObjectName(QStringLiteral("Command1"));
  close_->setGeometry(Px(about::kCloseLeft), Px(about::kCloseTop), Px(about::kCloseWidth), Px(about::kCloseHeight));
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] { form_->Command1_Click(); });

  form_ = std::make_unique<frmAbout>(env, *this, mainWindow);
  // Only the window's own background takes its mouse moves (and removes the notice's underline):
  // over the labels, the banner, the text and the button the moves are theirs.
}

AboutWindow::~AboutWindow() {
  // Destroyed while open (the program ending): the unload still runs.
  if (loaded_) {
    loaded_ = false;
    form_->Form_Unload();
  }
}

void AboutWindow::Load() {
  loaded_ = true;
  form_->Form_Load();
}

void AboutWindow::ShowModal() {
  Load();
  exec();
}

void AboutWindow::ShowLoaded() {
  Load();
  setWindowModality(Qt::ApplicationModal);
  show();
}

void AboutWindow::SetVersion(const std::string& t) { values_[about::kVersion]->setText(QString::fromStdString(t)); }
void AboutWindow::SetBuild(const std::string& t) { values_[about::kBuild]->setText(QString::fromStdString(t)); }
void AboutWindow::SetAuthor(const std::string& t) { values_[about::kAuthor]->setText(QString::fromStdString(t)); }
void AboutWindow::SetHomePage(const std::string& t) { values_[about::kHomePage]->setText(QString::fromStdString(t)); }
void AboutWindow::RepaintCloseButton() { close_->repaint(); }

void AboutWindow::SetNoticeUnderline(bool underline) {
  QFont f = notice_->font();
  if (f.underline() == underline) return;
  f.setUnderline(underline);
  notice_->setFont(f);
}

void AboutWindow::Unload() { reject(); }

void AboutWindow::done(int result) {
  const bool wasLoaded = loaded_;
  loaded_ = false;
  QDialog::done(result);
  if (wasLoaded) form_->Form_Unload();
}

void AboutWindow::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  form_->Form_MouseMove(ButtonCode(e->button()), ShiftCode(e->modifiers()), Tw(p.x()), Tw(p.y()));
}

}  // namespace tavrel::qt
