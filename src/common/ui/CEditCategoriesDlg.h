#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QListWidget;
class QPushButton;

// The category-list editor "Edit Categories": the entries of one category list with "OK", "New",
// "Rename" and "Delete". Changes are stored at once through the category store; "OK" closes.
class CEditCategoriesDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEditCategoriesDlg(int listId, QWidget* parent = nullptr);

  // Runs the dialog modally (through ui_seams::RunModal).
  int DoModal();
  int ListId() const { return m_listId; }
  // The entries shown, in list order.
  QStringList Entries() const;

 public slots:
  void OnNew();
  void OnRename();
  void OnDelete();

 private:
  // Deleting an entry of the patient types that patients are filed under is asked first.
  bool ConfirmDeleting(const QString& entry);
  static int PatientsFiledUnder(const QString& type);
  // Tells the user that an entry could not be stored.
  static void ShowNotSaved();

  void Fill(int selectRow = -1);

  int m_listId;
  QListWidget* m_list;
  QPushButton* m_ok;
  QPushButton* m_new;
  QPushButton* m_rename;
  QPushButton* m_delete;
};

// The one-line name prompt of the category editor: a prompt text, a text box, "OK" and
// "Cancel".
class CNamePromptDlg : public QDialog {
  Q_OBJECT

 public:
  CNamePromptDlg(const QString& prompt, const QString& text, QWidget* parent = nullptr);
  QString Text() const;
  QLineEdit* Edit() const { return m_edit; }

 private:
  QLineEdit* m_edit;
};
