#include "common/ui/InputPanel.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

#include "common/StringIds.h"
#include "common/StringTable.h"

namespace input_panel {
namespace {

struct PanelState {
  bool up = false;
  int height = 80;
  QRect desktop;  // null = the primary screen's available area
  bool realKeyboard = false;
  QRect area;  // where the real keyboard shows; empty while it does not
};

PanelState& State() {
  static PanelState state;
  return state;
}

}  // namespace

SettingChangeEvent::SettingChangeEvent() : QEvent(EventType()) {}

QEvent::Type SettingChangeEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool IsUp() {
  return State().up;
}

void Show(bool up) {
  if (State().up == up) {
    return;
  }
  State().up = up;
  emit Notifier::Instance().stateChanged(up);
  NotifySettingChange();
}

bool GetInfo(SipInfo& info) {
  info.up = State().up;
  QRect visible = Desktop();
  if (info.up && State().realKeyboard) {
    // A real keyboard covers the desktop from its top down, wherever it stands; one below the
    // desktop, or one that does not show (nothing that takes text has the focus), covers
    // nothing of it.
    if (!State().area.isEmpty()) {
      visible.setBottom(qMin(visible.bottom(), qMax(visible.top(), State().area.top()) - 1));
    }
  } else if (info.up) {
    visible.setBottom(visible.bottom() - State().height);
  }
  info.visibleDesktop = visible;
  return true;
}

int BottomGap(int windowHeight, int gapUp, int gapDown) {
  SipInfo info;
  if (!GetInfo(info)) {
    return gapUp;
  }
  const int gap = info.up ? gapUp : gapDown;
  return qMax(gapUp, windowHeight - info.visibleDesktop.height() + gap);
}

namespace {

// Watches a window for the events after which its layout follows the panel.
class PanelFollower : public QObject {
 public:
  PanelFollower(QWidget& window, std::function<void()> fit)
      : QObject(&window), m_fit(std::move(fit)) {
    window.installEventFilter(this);
  }

  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Resize || event->type() == SettingChangeEvent::EventType()) {
      m_fit();
    }
    return false;
  }

 private:
  std::function<void()> m_fit;
};

}  // namespace

void FollowPanel(QWidget& window, std::function<void()> fit) {
  new PanelFollower(window, std::move(fit));
}

void SetDesktop(const QRect& desktop) {
  State().desktop = desktop;
}

QRect Desktop() {
  if (!State().desktop.isNull()) {
    return State().desktop;
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    return screen->availableGeometry();
  }
  return QRect(0, 0, 240, 320);
}

void SetPanelHeight(int height) {
  State().height = height < 0 ? 0 : height;
}

int PanelHeight() {
  return State().height;
}

void SetRealKeyboard(bool real) {
  State().realKeyboard = real;
}

void SetPanelArea(const QRect& area) {
  State().area = area;
}

QRect PanelArea() {
  return State().area;
}

void NotifySettingChange() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    SettingChangeEvent event;
    QCoreApplication::sendEvent(window, &event);
  }
  emit Notifier::Instance().settingChanged();
}

QAbstractButton* CreateToggleButton(QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QStringLiteral("inputPanelToggle"));
  button->setText(strings::Load(ids::kInputPanelButton));
  button->setToolTip(strings::Load(ids::kInputPanelTip));
  button->setCheckable(true);
  button->setChecked(IsUp());
  QObject::connect(button, &QToolButton::toggled, button, [](bool on) { Show(on); });
  QObject::connect(&Notifier::Instance(), &Notifier::stateChanged, button,
                   [button](bool up) { button->setChecked(up); });
  return button;
}

Notifier& Notifier::Instance() {
  static Notifier notifier;
  return notifier;
}

RaisedScope::RaisedScope() : m_wasUp(IsUp()) {
  Show(true);
}

RaisedScope::~RaisedScope() {
  Show(m_wasUp);
}

}  // namespace input_panel
