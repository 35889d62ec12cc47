#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CMainFrame.h"
#include "app/COvelinApp.h"
#include "app/COvelinView.h"
#include "app/CPatientTabCtrl.h"
#include "app/DeviceStart.h"
#include "common/ui/Accessibility.h"
#include "common/ui/OnScreenKeyboard.h"
#include "common/ui/UiSeams.h"
#include "platform/Device.h"
#include "platform/PrivateFile.h"

namespace {

constexpr const char* kUsage =
    "Usage: ovelin [--device DIR] [/d] [--screenshot FILE [--tab TITLE]]\n"
    "\n"
    "Starts Ovelin on a device folder: DIR, else $OVELIN_DEVICE, else\n"
    "$XDG_DATA_HOME/ovelin/device. One copy runs per device; starting another brings\n"
    "the running one to the front, and /d closes it instead.\n"
    "\n"
    "Options:\n"
    "  --device DIR       use the device folder DIR\n"
    "  --screenshot FILE  start without start-up picture and password, show the main\n"
    "                     window, save a PNG picture of it to FILE and end\n"
    "  --tab TITLE        with --screenshot: the chart tab to show (default Main)\n"
    "  /d                 close the copy running on the device\n"
    "  --help             show this text\n"
    "  --version          show the version\n";

struct CommandLine {
  QString device;
  QString screenshot;
  QString tab;
  QStringList words;
  bool help = false;
  bool version = false;
  QString error;
};

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    const bool hasValue = i + 1 < argc;
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      line.help = true;
    } else if (argument == QLatin1String("--version")) {
      line.version = true;
    } else if (argument == QLatin1String("--device") && hasValue) {
      line.device = QString::fromLocal8Bit(argv[++i]);
    } else if (argument == QLatin1String("--screenshot") && hasValue) {
      line.screenshot = QString::fromLocal8Bit(argv[++i]);
    } else if (argument == QLatin1String("--tab") && hasValue) {
      line.tab = QString::fromLocal8Bit(argv[++i]);
    } else if (argument.startsWith(QLatin1String("--"))) {
      line.error = QStringLiteral("unknown option or missing value: %1").arg(argument);
    } else {
      line.words.append(argument);
    }
  }
  if (!line.tab.isEmpty() && line.screenshot.isEmpty()) {
    line.error = QStringLiteral("--tab goes with --screenshot");
  }
  return line;
}

int Screenshot(COvelinApp& ovelin, const CommandLine& line) {
  CMainFrame* frame = ovelin.MainFrame();
  if (frame == nullptr) {
    std::fputs("ovelin: the main window could not be made\n", stderr);
    return 1;
  }
  if (!line.tab.isEmpty() && frame->View()->TabCtrl()->SelectPage(line.tab) < 0) {
    std::fprintf(stderr, "ovelin: no tab titled %s\n", qPrintable(line.tab));
    return 2;
  }
  // Let the window lay itself out and paint before it is photographed.
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
  }
  // The picture shows patient data: it is written for its owner only.
  QByteArray png;
  QBuffer buffer(&png);
  QString error;
  if (!buffer.open(QIODevice::WriteOnly) || !frame->grab().save(&buffer, "PNG") ||
      !platform::WritePrivateFileAtomically(line.screenshot, png, error)) {
    std::fprintf(stderr, "ovelin: cannot write %s: %s\n", qPrintable(line.screenshot),
                 qPrintable(error));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = Parse(argc, argv);
  if (line.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (line.version) {
    std::printf("ovelin %s\n", OVELIN_VERSION_TEXT);
    return 0;
  }
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "ovelin: %s\n%s", qPrintable(line.error), kUsage);
    return 2;
  }
  // A picture needs no screen: without a display the program draws offscreen.
  if (!line.screenshot.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
      qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  on_screen_keyboard::ChooseBeforeStart();
  QApplication application(argc, argv);
  on_screen_keyboard::Attach();
  QApplication::setApplicationName(QStringLiteral("Ovelin"));
  QApplication::setApplicationVersion(QStringLiteral(OVELIN_VERSION_TEXT));
  QApplication::setDesktopFileName(QStringLiteral(OVELIN_APP_ID));
  accessibility::Install();

  platform::Device device(platform::Device::ResolveFolder(line.device));
  QString error;
  if (!device.Prepare(&error)) {
    std::fprintf(stderr, "ovelin: %s\n", qPrintable(error));
    return 1;
  }
  ui_seams::InstallQtMessageService();
  const bool screenshot = !line.screenshot.isEmpty();
  QString damage;
  std::unique_ptr<platform::Device> readOnly;
  switch (device_start::Check(device, !screenshot, damage)) {
    case device_start::Outcome::kUse:
      break;
    case device_start::Outcome::kOpenReadOnly:
      readOnly = std::make_unique<platform::Device>(device.Folder());
      readOnly->SetReadOnly(true);  // every change to the damaged files fails from now on
      break;
    case device_start::Outcome::kQuit:
      std::fprintf(stderr, "ovelin: the device at %s is damaged:\n%s\n",
                   qPrintable(device.Folder()), qPrintable(damage));
      return 1;
  }
  platform::Device::SetProcessDefault(readOnly != nullptr ? readOnly.get() : &device);

  int code = 0;
  {
    COvelinApp ovelin;
    StartOptions options;
    options.deviceFolder = device.Folder();
    options.arguments = line.words;
    if (screenshot) {
      options.showSplash = false;
      options.askPassword = false;
      options.singleInstance = false;
    }
    if (!ovelin.Initialise(options)) {
      return 0;  // another copy runs on this device and has been told
    }
    if (screenshot) {
      code = Screenshot(ovelin, line);
    } else {
      // The program ends when its main window closes, even while a dialog is still open.
      QObject::connect(ovelin.MainFrame(), &CMainFrame::closed, &application,
                       &QCoreApplication::quit, Qt::QueuedConnection);
      code = QApplication::exec();
    }
  }
  platform::Device::SetProcessDefault(nullptr);
  return on_screen_keyboard::Leave(code);
}
