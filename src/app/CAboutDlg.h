#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;

// "About Ovelin": the program's icon, name and version, the maker, the device's fingerprint for
// pairing, and the extensions' about texts in a read-only box that is left out when no extension
// gave any text.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // The box's text: for each extension its first and second about text, each that is not empty
  // followed by CR LF, extensions separated by CR LF.
  static QString ExtensionTexts();

  QPlainTextEdit* TextBox() const { return m_box; }
  const QString& VersionLine() const { return m_versionLine; }
  // This device's fingerprint, for pairing.
  QLabel* Fingerprint() const { return m_fingerprint; }

 private:
  QPlainTextEdit* m_box;
  QLabel* m_fingerprint;
  QString m_versionLine;
};
