#include "app/CSplashDlg.h"

#include "shell/DeviceScreen.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include "app/CMainFrame.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

CSplashDlg::CSplashDlg(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  m_picture = PictureFor(screen != nullptr ? screen->depth() : 32);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAccessibleName(strings::Load(ids::kAppName));
}

QString CSplashDlg::PictureFor(int bitsPerPixel) {
  return QString::fromLatin1(bitsPerPixel > 4 ? device_screen::kDeepPicture
                                              : device_screen::kShallowPicture);
}

void CSplashDlg::ShowOverScreen() {
  // The device screen is the main window's default area, centred on the desktop.
  const QSize size = CMainFrame::DefaultSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    setGeometry(QRect(available.center() - QPoint(size.width() / 2, size.height() / 2), size));
  } else {
    resize(size);
  }
  show();
  raise();
  repaint();
}

void CSplashDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  QSvgRenderer picture(m_picture);
  picture.render(&painter, rect());
}

void CSplashDlg::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    repaint();
  }
}
