#include "app/CHelpViewer.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/CMainFrame.h"
#include "common/StringIds.h"
#include "common/StringTable.h"

CHelpViewer::CHelpViewer(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_browser(new QTextBrowser(this)),
      m_close(new QPushButton(strings::Load(ids::kMenuClose), this)) {
  setWindowTitle(strings::Load(ids::kAppName) + QStringLiteral(" - ") +
                 strings::Load(ids::kMenuHelp));
  setAttribute(Qt::WA_DeleteOnClose);
  m_browser->setOpenExternalLinks(true);
  m_browser->setAccessibleName(strings::Load(ids::kMenuHelp));
  m_close->setObjectName(QStringLiteral("closeButton"));
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(6, 0, 6, 6);
  buttons->addStretch(1);
  buttons->addWidget(m_close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_browser, 1);
  layout->addLayout(buttons);
  connect(m_close, &QPushButton::clicked, this, &QWidget::close);
  resize(CMainFrame::DefaultSize());
}

void CHelpViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool CHelpViewer::Open(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return false;
  }
  m_file = path;
  // The help files are kept in the device's 8-bit code page.
  QStringDecoder decoder("windows-1252");
  const QByteArray bytes = file.readAll();
  const QString html = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
  m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
  m_browser->setHtml(html);
  return true;
}
