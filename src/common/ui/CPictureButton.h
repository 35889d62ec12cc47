#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QString>

// A command button drawn by pictures named after its caption: caption + "U" (up), "D" (down) and
// "X" (disabled), SVG files under the resource folder ":/pictures/". A caption starting with "NO"
// (for example "NOSAVE") makes the inert look-alike that stands in for the button while the
// record is read-only: it shows its picture and does nothing when tapped. A button (not a
// look-alike) is reached with Tab, pressed with Space, and shows a frame while it has the focus.
class CPictureButton : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CPictureButton(const QString& caption, QWidget* parent = nullptr);

  // Loads the pictures of caption; false when its up picture does not exist.
  bool LoadBitmaps(const QString& caption);
  const QString& Caption() const { return m_caption; }
  // The word a person would say for the button: its accessible name when one was given, else the
  // plain name of a caption that several pages share ("Delete" for "DELETE", "Delete (read
  // only)" for "NODELETE"), else the caption itself.
  QString SpokenName() const;
  bool IsInert() const { return m_inert; }
  // Shows the pushed picture while set (the sub-page buttons that stay pushed).
  void SetPushed(bool pushed);
  bool IsPushed() const { return m_pushed; }

  QSize sizeHint() const override;

  // The picture file of caption and suffix ("U", "D" or "X").
  static QString PicturePath(const QString& caption, const QString& suffix);
  static bool HasPicture(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString m_caption;
  QIcon m_up;
  QIcon m_down;
  QIcon m_disabled;
  bool m_inert = false;
  bool m_pushed = false;
};
