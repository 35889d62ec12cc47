#pragma once

#include <QEvent>
#include <QObject>
#include <QRect>
#include <functional>

class QAbstractButton;
class QWidget;

// The soft input panel, emulated: a state (up or down), the panel's height, and the visible
// desktop rectangle that is left for windows above it. Every change of state is delivered as a
// settings-change notification (SettingChangeEvent) to every top-level window, and through the
// notifier's signal.
namespace input_panel {

// The state of the panel and what the desktop leaves visible.
struct SipInfo {
  bool up = false;
  QRect visibleDesktop;  // global coordinates
};

// The settings-change notification sent to every top-level widget (see QWidget::event).
class SettingChangeEvent : public QEvent {
 public:
  SettingChangeEvent();
  static QEvent::Type EventType();
};

bool IsUp();
// Raises (true) or lowers the panel; a change notifies every top-level window.
void Show(bool up);
// Answers the state and the visible desktop; false when the query fails (never here, but callers
// keep the check the platform asks for).
bool GetInfo(SipInfo& info);

// The room that a full-screen window of that height leaves under its main control: gapUp pixels
// above the panel when it is up, gapDown above the desktop's bottom when it is down, and never
// less than gapUp above the window's own bottom.
int BottomGap(int windowHeight, int gapUp, int gapDown);

// Calls fit whenever window is resized or told of a settings change (the panel went up or down),
// for as long as window lives: the way a full-screen dialog keeps its main control above the
// panel.
void FollowPanel(QWidget& window, std::function<void()> fit);

// The desktop the panel belongs to: by default the primary screen's available area; the main
// window sets its own screen rectangle here.
void SetDesktop(const QRect& desktop);
QRect Desktop();
// Height of the panel when up (default 80 pixels).
void SetPanelHeight(int height);
int PanelHeight();
// Whether the panel is a real on-screen keyboard rather than the emulated one (PanelHeight()
// pixels at the bottom of the desktop), and where that keyboard shows (global coordinates; empty
// while it does not). With a real keyboard the visible desktop ends above the keyboard's top,
// whatever part of the screen the keyboard spans, and is whole while the keyboard does not show.
void SetRealKeyboard(bool real);
void SetPanelArea(const QRect& area);
QRect PanelArea();

// Delivers a settings-change notification to every top-level window now.
void NotifySettingChange();

// A checkable tool button for the command bar that shows and toggles the panel's state.
QAbstractButton* CreateToggleButton(QWidget* parent);

// Signals the changes, for objects that are not top-level windows.
class Notifier : public QObject {
  Q_OBJECT
 public:
  static Notifier& Instance();

 signals:
  void stateChanged(bool up);
  void settingChanged();
};

// Remembers the panel's state, raises it, and puts the remembered state back when destroyed:
// the way every entry dialog is run.
class RaisedScope {
 public:
  RaisedScope();
  ~RaisedScope();
  RaisedScope(const RaisedScope&) = delete;
  RaisedScope& operator=(const RaisedScope&) = delete;

 private:
  bool m_wasUp;
};

}  // namespace input_panel
