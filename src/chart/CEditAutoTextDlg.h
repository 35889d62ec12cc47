#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

class CAutoListCtrl;
class CPictureButton;

// "Edit Auto Text": the full-screen editor of one auto-text list, the phrases a note page offers
// for quick insertion, one phrase per row. Rows are inserted (after the selected row, or at the
// top) and removed with two buttons and edited in place; "SAVE" stores the whole list, adding it
// when the store has no list of that name yet, and ends with OK; "CANCEL" stores nothing.
//
// A caller names the list by its key, the decimal text of its string id ("534" for the review
// of systems), runs the dialog, and on OK shows the list again from the store.
class CEditAutoTextDlg : public QDialog {
  Q_OBJECT

 public:
  // name: the list's key in the auto-text list store.
  explicit CEditAutoTextDlg(const QString& name, QWidget* parent = nullptr);

  // Runs the dialog modally (through ui_seams::RunModal).
  int DoModal();

  // The buttons.
  void OnInsert();
  void OnDelete();
  void OnSave();
  void OnCancel();

  const QString& ListName() const { return listName; }
  // The stored list's record id; 0 while the list is not stored.
  uint32_t ListRecordId() const { return listRecordId; }

  CAutoListCtrl* List() const { return m_list; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }
  CPictureButton* InsertButton() const { return m_insert; }
  CPictureButton* DeleteButton() const { return m_delete; }

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Load();
  // The list ends 5 pixels above the input panel when it is up, 35 above the bottom of the
  // visible desktop when it is down.
  void FitToInputPanel();

  QString listName;
  uint32_t listRecordId = 0;

  CAutoListCtrl* m_list;
  CPictureButton* m_save;
  CPictureButton* m_cancel;
  CPictureButton* m_insert;
  CPictureButton* m_delete;
};
