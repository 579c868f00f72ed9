#include "gui/qt/QtWindowStyle.h"

#include <QAction>
#include <QCursor>
#include <QWindow>

namespace tavrel::qt {

namespace {

constexpr char kCommandProperty[] = "tavrelCommand";
constexpr char kStateProperty[] = "tavrelState";

// The bits read from the window itself each time.
constexpr std::int32_t kLiveStyle = kWsCaption | kWsThickFrame;
constexpr std::int32_t kLiveExStyle = kWsExTopMost;

constexpr Qt::WindowFlags kButtonHints = Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                                         Qt::WindowContextHelpButtonHint;

// The flags in force: the native window's once it exists (the topmost band is changed there in
// place), else the widget's.
Qt::WindowFlags Effective(const QWidget* w) {
  if (const QWindow* native = w->windowHandle()) return native->flags();
  return w->windowFlags();
}

Qt::WindowType TypeOf(Qt::WindowFlags flags) {
  return static_cast<Qt::WindowType>(static_cast<int>(flags & Qt::WindowType_Mask));
}

bool HeldAtSize(const QWidget* w) { return w->minimumSize() == w->maximumSize(); }

std::uint32_t CommandOf(const QAction* a) { return a->property(kCommandProperty).toUInt(); }
std::uint32_t StateOf(const QAction* a) { return a->property(kStateProperty).toUInt(); }

void SetItem(QAction* a, std::uint32_t state, std::uint32_t id) {
  a->setProperty(kCommandProperty, id);
  a->setProperty(kStateProperty, state);
  a->setEnabled((state & (kMfsGrayed | kMfsDisabled)) == 0);
  if (!a->isSeparator()) {
    a->setCheckable((state & kMfsChecked) != 0);
    a->setChecked((state & kMfsChecked) != 0);
    QFont font = a->font();
    font.setBold((state & kMfsDefault) != 0);
    a->setFont(font);
  }
}

}  // namespace

QtWindowStyle::~QtWindowStyle() {
  if (locked_) locked_->setUpdatesEnabled(true);
  for (auto& [handle, frame] : frames_) delete frame.menu.data();  // their actions call back here
}

QtWindowStyle::Frame* QtWindowStyle::FrameOf(WindowHandle window) {
  QWidget* w = wm_.Find(window);
  auto it = frames_.find(window);
  if (it != frames_.end() && (!w || it->second.widget != w)) {
    delete it->second.menu.data();
    frames_.erase(it);
    it = frames_.end();
  }
  if (!w) return nullptr;
  if (it != frames_.end()) return &it->second;

  // First question about this window: its bits as its flags have them now.
  Frame f;
  f.widget = w;
  const Qt::WindowFlags flags = Effective(w);
  const Qt::WindowType type = TypeOf(flags);
  const bool explicitHints = (flags & (kButtonHints | Qt::CustomizeWindowHint)) != 0;
  if (!explicitHints) {
    // Qt's defaults: a system menu everywhere, the minimise and maximise buttons on windows.
    f.style = kWsSysMenu;
    if (type == Qt::Window) f.style |= kWsMinimizeBox | kWsMaximizeBox;
  } else {
    if (flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)) f.style |= kWsSysMenu;
    if (flags & Qt::WindowMinimizeButtonHint) f.style |= kWsMinimizeBox;
    if (flags & Qt::WindowMaximizeButtonHint) f.style |= kWsMaximizeBox;
  }
  if (type == Qt::Tool) f.exStyle |= kWsExToolWindow;
  if (type == Qt::Window) f.exStyle |= kWsExAppWindow;
  if (flags & Qt::WindowContextHelpButtonHint) f.exStyle |= kWsExContextHelp;
  return &frames_.emplace(window, std::move(f)).first->second;
}

std::int32_t QtWindowStyle::Read(const Frame& f, int index) const {
  const QWidget* w = f.widget;
  const Qt::WindowFlags flags = Effective(w);
  if (index == kGwlStyle) {
    std::int32_t live = 0;
    if (!(flags & Qt::FramelessWindowHint)) live |= kWsCaption;
    if (!HeldAtSize(w)) live |= kWsThickFrame;
    return (f.style & ~kLiveStyle) | live;
  }
  if (index == kGwlExStyle) {
    // The band as asked for, even while the screen does not show it yet.
    const bool onTop = wm_.PendingTopMost(w).value_or((flags & Qt::WindowStaysOnTopHint) != 0);
    const std::int32_t live = onTop ? kWsExTopMost : 0;
    return (f.exStyle & ~kLiveExStyle) | live;
  }
  return 0;
}

std::int32_t QtWindowStyle::StyleWord(WindowHandle window, int index) {
  const Frame* f = FrameOf(window);
  return f ? Read(*f, index) : 0;
}

std::int32_t QtWindowStyle::SetStyleWord(WindowHandle window, int index, std::int32_t value) {
  Frame* f = FrameOf(window);
  if (!f || (index != kGwlStyle && index != kGwlExStyle)) return 0;
  const std::int32_t old = Read(*f, index);
  if (index == kGwlStyle) {
    f->style = value;
    ApplySizing(*f);
    ApplyFlags(*f, value, Read(*f, kGwlExStyle));
  } else {
    f->exStyle = value & ~kWsExTopMost;  // the band belongs to the window manager
    ApplyFlags(*f, Read(*f, kGwlStyle), f->exStyle);
  }
  return old;
}

bool QtWindowStyle::CloseAllowed(const Frame& f) const {
  if (!f.menu) return true;  // the menu has not been made, so Close is there and enabled
  for (const QAction* a : f.menu->actions())
    if (CommandOf(a) == kScClose) return a->isEnabled();
  return false;
}

void QtWindowStyle::ApplyFlags(Frame& f, std::int32_t style, std::int32_t exStyle) {
  QWidget* w = f.widget;
  const Qt::WindowFlags current = Effective(w);
  const Qt::WindowType currentType = TypeOf(current);

  Qt::WindowType type = currentType;
  if (exStyle & kWsExToolWindow) {
    type = Qt::Tool;
  } else if (exStyle & kWsExAppWindow) {
    type = Qt::Window;
  } else if (currentType == Qt::Window || currentType == Qt::Tool) {
    type = Qt::Tool;  // no taskbar entry; dialogs and the like keep their kind
  }

  Qt::WindowFlags flags =
      current & ~(Qt::WindowType_Mask | kButtonHints | Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
  flags |= type;
  if (style & kWsCaption) {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & kWsSysMenu) {
      flags |= Qt::WindowSystemMenuHint;
      if (CloseAllowed(f)) flags |= Qt::WindowCloseButtonHint;
      if (style & kWsMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
      if (style & kWsMaximizeBox) flags |= Qt::WindowMaximizeButtonHint;
      if (exStyle & kWsExContextHelp) flags |= Qt::WindowContextHelpButtonHint;
    }
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  if (flags == current) return;

  QWindow* native = w->windowHandle();
  if (native && w->isVisible() && type == currentType) {
    // Changed in place on the shown window: window managers follow its decoration hints and
    // stay-on-top state as they change, so it neither hides nor moves.
    w->overrideWindowFlags(flags);
    native->setFlags(flags);
  } else {
    // A window's kind (ordinary or tool) is read when it is mapped, so it is shown afresh.
    const bool visible = w->isVisible();
    w->setWindowFlags(flags);
    if (visible) w->show();
  }
}

void QtWindowStyle::Reapply(WindowHandle window) {
  if (Frame* f = FrameOf(window)) ApplyFlags(*f, Read(*f, kGwlStyle), Read(*f, kGwlExStyle));
}

void QtWindowStyle::ApplySizing(Frame& f) {
  QWidget* w = f.widget;
  const bool sizeable = (f.style & kWsThickFrame) != 0;
  if (!sizeable && !HeldAtSize(w)) {
    f.savedMin = w->minimumSize();
    f.savedMax = w->maximumSize();
    f.sizeSaved = true;
    w->setFixedSize(w->size());
  } else if (sizeable && HeldAtSize(w)) {
    w->setMinimumSize(f.sizeSaved ? f.savedMin : QSize(0, 0));
    w->setMaximumSize(f.sizeSaved ? f.savedMax : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    f.sizeSaved = false;
  }
}

void QtWindowStyle::RedrawFrame(WindowHandle window) {
  if (Frame* f = FrameOf(window)) f->widget->update();
}

void QtWindowStyle::ShowWindow(WindowHandle window, int command) {
  QWidget* w = wm_.Find(window);
  if (!w) return;
  if (w == locked_) {
    // Held until the window is unlocked, where only the last state asked for is applied: a hide
    // and show around a style change (X11 reads the window's kind at its mapping, and ApplyFlags
    // re-maps it itself when that changes) then costs the user neither a flash nor the focus.
    lockedShow_ = command;
    return;
  }
  Show(w, command);
}

void QtWindowStyle::Show(QWidget* w, int command) {
  switch (command) {
    case kSwHide: w->hide(); break;
    case kSwShowNormal: w->showNormal(); break;
    case kSwMaximize: w->showMaximized(); break;
    case kSwMinimize: w->showMinimized(); break;
    default: w->show(); break;
  }
}

void QtWindowStyle::LockWindowUpdate(WindowHandle window) {
  if (window == 0) {
    QPointer<QWidget> w = locked_;
    const std::optional<int> show = lockedShow_;
    locked_ = nullptr;
    lockedShow_.reset();
    if (!w) return;
    w->setUpdatesEnabled(true);
    const bool unchanged = show && w->isVisible() && *show == kSwShowNormal && !w->isMinimized() && !w->isMaximized();
    if (show && !unchanged) Show(w, *show);
    return;
  }
  QWidget* w = wm_.Find(window);
  if (!w || (locked_ && locked_ != w)) return;  // one window at a time
  w->setUpdatesEnabled(false);
  locked_ = w;
}

QMenu* QtWindowStyle::SystemMenu(WindowHandle window) {
  Frame* f = FrameOf(window);
  if (!f) return nullptr;
  if (!f->menu) {
    auto* menu = new QMenu(f->widget);
    menu->setObjectName(QStringLiteral("systemMenu"));
    const struct {
      std::uint32_t id;
      const char* text;
    } items[] = {{kScRestore, "&Restore"},    {kScMove, "&Move"},         {kScSize, "&Size"},
                 {kScMinimize, "Mi&nimize"},  {kScMaximize, "Ma&ximize"}, {0, nullptr},
                 {kScClose, "&Close\tAlt+F4"}};
    for (const auto& item : items) {
      QAction* a = item.text ? menu->addAction(QString::fromLatin1(item.text)) : menu->addSeparator();
      SetItem(a, 0, item.id);
      if (!item.text) continue;
      QObject::connect(a, &QAction::triggered, menu, [this, window, a] { PerformCommand(window, CommandOf(a)); });
    }
    f->menu = menu;
  }
  return f->menu;
}

QAction* QtWindowStyle::ActionAt(WindowHandle window, int position) {
  QMenu* menu = SystemMenu(window);
  if (!menu || position < 0 || position >= menu->actions().size()) return nullptr;
  return menu->actions().at(position);
}

int QtWindowStyle::MenuItemCount(WindowHandle window) {
  QMenu* menu = SystemMenu(window);
  return menu ? static_cast<int>(menu->actions().size()) : -1;
}

std::uint32_t QtWindowStyle::MenuItemId(WindowHandle window, int position) {
  const QAction* a = ActionAt(window, position);
  return a ? CommandOf(a) : kNoMenuItem;
}

std::optional<std::uint32_t> QtWindowStyle::MenuItemState(WindowHandle window, int position) {
  const QAction* a = ActionAt(window, position);
  if (!a) return std::nullopt;
  return StateOf(a);
}

bool QtWindowStyle::SetMenuItem(WindowHandle window, int position, std::uint32_t state, std::uint32_t id) {
  QAction* a = ActionAt(window, position);
  if (!a) return false;
  SetItem(a, state, id);
  QMenu* menu = SystemMenu(window);
  if (state & kMfsDefault)
    menu->setDefaultAction(a);
  else if (menu->defaultAction() == a)
    menu->setDefaultAction(nullptr);
  Reapply(window);  // the close button follows the Close item
  return true;
}

bool QtWindowStyle::RemoveMenuItem(WindowHandle window, std::uint32_t item, bool byPosition) {
  QMenu* menu = SystemMenu(window);
  if (!menu) return false;
  QAction* found = nullptr;
  const QList<QAction*> actions = menu->actions();
  if (byPosition) {
    if (item < static_cast<std::uint32_t>(actions.size())) found = actions.at(item);
  } else {
    for (QAction* a : actions)
      if (!a->isSeparator() && CommandOf(a) == item) {
        found = a;
        break;
      }
  }
  if (!found) return false;
  menu->removeAction(found);
  delete found;
  Reapply(window);
  return true;
}

void QtWindowStyle::PopupSystemMenu(WindowHandle window, std::uint32_t packedPoint) {
  QMenu* menu = SystemMenu(window);
  if (!menu) return;
  const QPoint at(static_cast<std::int16_t>(packedPoint & 0xFFFF), static_cast<std::int16_t>(packedPoint >> 16));
  // Not modal: the chosen item acts from the event loop, so nothing waits here for the user.
  menu->popup(at);
}

ScreenPoint QtWindowStyle::CursorPos() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void QtWindowStyle::ReleaseCapture() {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

void QtWindowStyle::StartCaptionMove(WindowHandle window) { wm_.StartMove(window); }

void QtWindowStyle::PerformCommand(WindowHandle window, std::uint32_t command) {
  QWidget* w = wm_.Find(window);
  if (!w) return;
  switch (command) {
    case kScRestore: w->showNormal(); break;
    case kScMove: wm_.StartMove(window); break;
    case kScSize:
      if (QWindow* native = w->windowHandle()) native->startSystemResize(Qt::RightEdge | Qt::BottomEdge);
      break;
    case kScMinimize: w->showMinimized(); break;
    case kScMaximize: w->showMaximized(); break;
    case kScClose: w->close(); break;
    default: break;  // an item of the program's own: nothing to do for the window
  }
}

}  // namespace tavrel::qt
