#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// "Remove Med Favorites": the favourite medications, one line each in store order, with "OK" and
// "Delete". "Delete" removes the selected favourite from the store at once, without asking;
// "OK" closes. There is nothing to undo: deletions are stored as they are made.
class CRemoveMedFavoritesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CRemoveMedFavoritesDlg(QWidget* parent = nullptr);

  // Runs the dialog modally (through ui_seams::RunModal).
  int DoModal();

  // "Delete": the selected favourite goes; nothing happens without a selection.
  void OnDelete();

  QListWidget* List() const { return m_list; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* DeleteButton() const { return m_delete; }

 private:
  QListWidget* m_list;
  QPushButton* m_ok;
  QPushButton* m_delete;
};
