#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;
class QPushButton;
class QTextBrowser;

// The help viewer: a window of its own that shows a help file of the device's windows folder.
class CHelpViewer : public QWidget {
  Q_OBJECT

 public:
  explicit CHelpViewer(QWidget* parent = nullptr);

  // Shows the file; false when it cannot be read.
  bool Open(const QString& path);
  const QString& File() const { return m_file; }
  QTextBrowser* Browser() const { return m_browser; }
  QPushButton* CloseButton() const { return m_close; }

 protected:
  // Escape closes the window, as its Close button does: without a window manager there is no
  // other way out.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTextBrowser* m_browser;
  QPushButton* m_close;
  QString m_file;
};
