#include "common/ui/OnScreenKeyboard.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLibraryInfo>
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
  QObject::connect(&input_panel::Notifier::Instance(), &input_panel::Notifier::stateChanged,
                   keyboard, [keyboard](bool up) { keyboard->setVisible(up); });
  QObject::connect(keyboard, &QInputMethod::visibleChanged, keyboard,
                   [keyboard] { input_panel::Show(keyboard->isVisible()); });
  QObject::connect(keyboard, &QInputMethod::keyboardRectangleChanged, keyboard, [keyboard] {
    const int height = keyboard->keyboardRectangle().toRect().height();
    if (height > 0 && height != input_panel::PanelHeight()) {
      input_panel::SetPanelHeight(height);
      input_panel::NotifySettingChange();
    }
  });
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
