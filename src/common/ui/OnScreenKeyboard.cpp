#include "common/ui/OnScreenKeyboard.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLibraryInfo>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "common/ui/InputPanel.h"

namespace on_screen_keyboard {
namespace {

constexpr const char* kModule = "qtvirtualkeyboard";

bool Installed() {
  const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath));
  return QFile::exists(
      plugins.filePath(QStringLiteral("platforminputcontexts/"
                                      "libqtvirtualkeyboardplugin.so")));
}

// A keyboard the kernel knows: an input device with the keyboard handler.
bool HasOwnKeyboard() {
  QFile devices(QStringLiteral("/proc/bus/input/devices"));
  if (!devices.open(QIODevice::ReadOnly)) {
    return false;
  }
  for (const QByteArray& line : devices.readAll().split('\n')) {
    if (line.startsWith("H: Handlers=") && line.contains("kbd")) {
      return true;
    }
  }
  return false;
}

bool RealScreen() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  return !platform.startsWith("offscreen") && !platform.startsWith("minimal");
}

// The window that Qt's on-screen keyboard draws itself in: a transparent view as large as the
// screen, the keyboard at its bottom, made by the keyboard's plugin.
QWindow* KeyboardWindow() {
  for (QWindow* window : QGuiApplication::allWindows()) {
    if (QByteArray(window->metaObject()->className()).endsWith("InputView")) {
      return window;
    }
  }
  return nullptr;
}

// Keeps the keyboard usable over the program: above its dialogs (a full-screen dialog shown
// after the keyboard would otherwise cover it), without its selection handles (small windows of
// their own that, without a compositor, show as dark squares over the fields of a dialog), and
// tells the input panel which part of the screen the keyboard covers, so that the windows keep
// their fields above it.
void TellPanelArea(const QRect& area) {
  if (area != input_panel::PanelArea()) {
    input_panel::SetPanelArea(area);
    input_panel::NotifySettingChange();
  }
}

void FitKeyboard() {
  QWindow* keyboard = KeyboardWindow();
  if (keyboard == nullptr || !keyboard->isVisible()) {
    // The panel is up but the keyboard does not show (the focus is on a button): it covers
    // nothing, and the windows keep their whole height.
    TellPanelArea({});
    return;
  }
  for (QWindow* window : QGuiApplication::allWindows()) {
    if (window->isVisible() &&
        QByteArray(window->metaObject()->className()).endsWith("InputSelectionHandle")) {
      window->hide();
    }
  }
  keyboard->raise();
  TellPanelArea(KeyboardArea());
}

// After the events of the moment: the keyboard's plugin places its window itself whenever the
// keyboard shows.
void FitKeyboardLater() {
  QTimer::singleShot(0, qApp, &FitKeyboard);
}

}  // namespace

void ChooseBeforeStart() {
  const QByteArray asked = qgetenv("OVELIN_ON_SCREEN_KEYBOARD");
  if (asked == "0" || !qEnvironmentVariableIsEmpty("QT_IM_MODULE") || !RealScreen() ||
      !Installed()) {
    return;
  }
  if (asked == "1" || !HasOwnKeyboard()) {
    qputenv("QT_IM_MODULE", kModule);
    // The keyboard is drawn by Qt Quick; software drawing works on every display, virtual
    // ones without OpenGL included.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
      qputenv("QT_QUICK_BACKEND", "software");
    }
  }
}

bool Available() {
  return qgetenv("QT_IM_MODULE") == kModule && RealScreen() &&
         QGuiApplication::inputMethod() != nullptr;
}

void Attach() {
  if (!Available()) {
    return;
  }
  QInputMethod* keyboard = QGuiApplication::inputMethod();
  input_panel::SetRealKeyboard(true);
  QObject::connect(&input_panel::Notifier::Instance(), &input_panel::Notifier::stateChanged,
                   keyboard, [keyboard](bool up) { keyboard->setVisible(up); });
  QObject::connect(keyboard, &QInputMethod::visibleChanged, keyboard, [keyboard] {
    input_panel::Show(keyboard->isVisible());
    FitKeyboardLater();
  });
  // A window shown over the keyboard (an entry dialog) puts it back on top; a move of the
  // program's window takes it along.
  QObject::connect(qApp, &QGuiApplication::focusWindowChanged, keyboard, &FitKeyboardLater);
  QObject::connect(&input_panel::Notifier::Instance(), &input_panel::Notifier::settingChanged,
                   keyboard, &FitKeyboardLater);
  QObject::connect(keyboard, &QInputMethod::keyboardRectangleChanged, keyboard, [keyboard] {
    const int height = keyboard->keyboardRectangle().toRect().height();
    if (height > 0 && height != input_panel::PanelHeight()) {
      input_panel::SetPanelHeight(height);
      input_panel::NotifySettingChange();
    }
    FitKeyboardLater();
  });
}

QRect KeyboardArea() {
  const QWindow* keyboard = Available() ? KeyboardWindow() : nullptr;
  if (keyboard == nullptr || !keyboard->isVisible()) {
    return {};
  }
  // The view is transparent but for the keyboard, which its mask outlines.
  const QRect drawn = keyboard->mask().isEmpty() ? QRect(QPoint(), keyboard->size())
                                                 : keyboard->mask().boundingRect();
  return drawn.translated(keyboard->position());
}

int Leave(int code) {
  if (Available()) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
  }
  return code;
}

}  // namespace on_screen_keyboard
