#pragma once

#include <QString>
#include <QWidget>

class CPopupList;
class QLabel;
class QPlainTextEdit;

// The caption of a note page's text box ("Subj", "Obj", "A/P") with the tiny POPUP button beside
// it. The button, or a tap on the caption, offers an auto-text list; the entry picked is added at
// the end of the box's text, followed by one blank and with nothing before it.
class CAutoTextCaption : public QWidget {
  Q_OBJECT

 public:
  CAutoTextCaption(int captionId, int listId, QPlainTextEdit* box, QWidget* parent = nullptr);

  CPopupList* PopupButton() const { return m_popup; }
  QLabel* Caption() const { return m_caption; }

  // A notification of the POPUP control: code 1 (an entry was picked) adds text to the box;
  // other codes are taken and ignored.
  void OnPopupNotify(int code, const QString& text);

 protected:
  // A pen-up inside the caption opens the pop-up.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* m_caption;
  CPopupList* m_popup;
  QPlainTextEdit* m_box;
};
