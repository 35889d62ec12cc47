#pragma once

#include <QString>
#include <QWidget>

// The start-up picture: the device screen filled with the program's picture for as long as the
// program starts. The full-colour picture is shown on displays of more than 4 bits per pixel,
// the black-and-white one on others.
class CSplashDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CSplashDlg(QWidget* parent = nullptr);

  // The picture for a display of that many bits per pixel.
  static QString PictureFor(int bitsPerPixel);
  const QString& Picture() const { return m_picture; }

  // Shows the picture over the device screen, above every other window.
  void ShowOverScreen();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QString m_picture;
};
