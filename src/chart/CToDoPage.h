#pragma once

#include <QString>
#include <cstdint>

#include "common/ui/CBaseListCtrl.h"
#include "shell/CPatientTabPage.h"
#include "store/CDBToDo.h"

class CPictureButton;
class QLabel;
class QVBoxLayout;

// The "Todo" tab: the current patient's todo items as an editable two-column list, priority and
// text, with a check box per item for "done" and an icon telling whether the item has a note.
// Items are added, re-prioritised, retyped and checked in place; their notes are read and edited
// in the "To Do" dialog. The list is the working copy: its rows reach the store when the page is
// left, when it is shown again and before it reports its selected record. Deletions reach the
// store at once.
class CToDoPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 135;
  static constexpr int kPriorityColumn = 0;
  static constexpr int kTextColumn = 1;
  // What ChooseDeleteScope and the "Delete Todo Item" dialog answer.
  static constexpr int kScopeCurrentOnly = 1083;
  static constexpr int kScopeAllChecked = 1109;
  static constexpr int kScopeNothing = 2;

  explicit CToDoPage(QWidget* parent = nullptr);

  // Saves what the list holds, then loads the current patient's items.
  bool OnSetActive() override;
  // Saves what the list holds.
  bool OnKillActive() override;
  // The list reaches down to 7 pixels above the page's bottom.
  void UpdateSize() override;
  // Saves the list first; then the selected item, as record type 6 and its record id.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // The page's commands.
  void OnNewTodo();
  void OnEditNote();
  void OnDelete();

  // Enables "DELETE" and "EDITNOTE" for the selected and checked rows and shows the focused
  // row's access state; answers the number of checked rows that are not read-only.
  int UpdateButtons();
  // Runs the "To Do" dialog on a row's note.
  void OpenNote(int row);
  // Asks what a delete applies to: kScopeCurrentOnly, kScopeAllChecked or kScopeNothing.
  int ChooseDeleteScope(int verbId);
  // Deletes a row's item from the store (when it was stored) and the row from the list.
  void DeleteRow(int row);

  CBaseListCtrl* List() const { return m_list; }
  CPictureButton* EditNoteButton() const { return m_editNote; }
  CPictureButton* NewTodoButton() const { return m_newTodo; }
  CPictureButton* DeleteButton() const { return m_delete; }
  QLabel* StatusLabel() const { return m_status; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The list's notifications.
  void OnCheckChanged(int row, bool checked);
  void OnCurrentRowChanged(int row);
  void OnRowActivated(int row);
  void OnEditEnded(const CBaseListCtrl::EditEnd& end);
  void OnChoicePicked(CBaseListCtrl::ChoicePick& pick);

  // Writes the rows back under the patient they were loaded for, and tells the user when a row
  // could not be stored.
  void SaveRows();
  // Loads the patient's items, priority 0 first, then 1 to 5.
  void LoadRows(const QString& patient);
  void SortRows();
  // Selects the row of the item with that record id; false when no row has it.
  bool SelectItem(uint32_t recordId);
  bool IsReadOnly(int row) const;
  int PriorityColumnWidth() const;
  void FitColumns();

  CDBToDo m_store;
  CPictureButton* m_editNote;
  CPictureButton* m_newTodo;
  CPictureButton* m_delete;
  QLabel* m_status;
  CBaseListCtrl* m_list;
  QVBoxLayout* m_layout;
  // The patient whose items the list holds: its rows are saved under this name only, whoever is
  // the current patient when they are saved.
  QString m_listPatient;
  // Counts the reloads of the list, so that a note edited across a reload is recognised.
  uint64_t m_loads = 0;
};
