#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QToolButton>

// The tiny "POPUP" button beside a text box's caption: it offers the entries of an auto-text list
// (SetType) in a small pop-up list. A pick notifies the owner with code 1 and the picked text
// (the notify signal, and the picked signal).
class CPopupList : public QToolButton {
  Q_OBJECT

 public:
  static constexpr int kNotifyPicked = 1;

  explicit CPopupList(QWidget* parent = nullptr);

  // The auto-text list offered: the list named by the decimal text of listId.
  void SetType(int listId);
  int GetType() const { return m_listId; }
  // Entries offered instead of a stored list (empty = the stored list).
  void SetEntries(const QStringList& entries) { m_entries = entries; }
  // The entries that DoPopup offers now.
  QStringList Entries() const;
  // Opens the pop-up below the button. Answers whether an entry was picked.
  bool DoPopup();

 signals:
  void notify(int code, const QString& text);
  void picked(const QString& text);

 private:
  int m_listId = -1;
  QStringList m_entries;
};

// A pop-up list of a category list's entries (for example the patient types for MOVE).
class CPopupListCtrl : public QObject {
  Q_OBJECT

 public:
  explicit CPopupListCtrl(QObject* parent = nullptr);

  // Offers the entries of category list listId at point (global coordinates; a null point =
  // below owner's top-left corner) for owner. The two leading arguments are kept for callers and
  // not used. Answers the picked text, empty when nothing was picked; a pick also notifies with
  // code 1 and the text.
  QString DoPopup(int unused1, int unused2, int listId, QWidget* owner, QPoint point);

 signals:
  void notify(int code, const QString& text);
  void picked(const QString& text);
};

namespace popup_list {

// Runs the pop-up list dialog (through ui_seams::RunModal) with entries at point; answers the
// index of the picked entry, -1 when none. Its dialog holds one QListWidget; accepting it with a
// current row picks that row.
int Run(QWidget* owner, const QStringList& entries, QPoint point);

// Where a pop-up of that size goes for the control at anchor (global coordinates): just below
// it, its left edges aligned, or just above it where the room below is short; always inside the
// window of owner (else its screen), made smaller where the window is.
QRect PlaceNextTo(const QRect& anchor, QSize size, const QWidget* owner);

}  // namespace popup_list
