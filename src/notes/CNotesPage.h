#pragma once

#include <QString>

#include "shell/CPatientTabPage.h"

class CBaseListCtrl;
class CPictureButton;
class QLabel;
class QPlainTextEdit;

// The "Notes" tab: the current patient's clinical notes by date and time, and the selected
// note's full text in a box below them, where a writable note is edited and saved. The page
// deletes a note after a confirmation, prints the shown text on the ASCII printer and exports it
// to a text file. New notes are made by the new-note command, which then reloads the page.
class CNotesPage : public CPatientTabPage {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 134;

  explicit CNotesPage(QWidget* parent = nullptr);

  // Reloads the list, keeping the shown note selected while it is still listed (the oldest note
  // is shown on a first visit).
  bool OnSetActive() override;
  // The focused note: record type 4 and its record id; false when no row is focused.
  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // SAVE, DELETE, PRINT and EXPORT.
  void OnSave();
  void OnDelete();
  void OnPrint();
  void OnExport();

  // Moves noteText to the box (save false) or the box's text to noteText (save true).
  void UpdateData(bool save);

  CBaseListCtrl* List() const { return m_list; }
  QPlainTextEdit* NoteBox() const { return m_noteBox; }
  QLabel* ReadOnlyLabel() const { return m_readOnlyLabel; }
  CPictureButton* PrintButton() const { return m_print; }
  CPictureButton* ExportButton() const { return m_export; }
  CPictureButton* DeleteButton() const { return m_delete; }
  CPictureButton* NoDeleteButton() const { return m_noDelete; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }

  // The text shown in the note box as last loaded, saved or taken from the box.
  QString noteText;
  // Access state of the shown note; anything but 0 makes it read-only.
  int32_t noteReadOnly = 0;

 private:
  // Shows the note of row index, or no note when there is no such row.
  void ShowNote(int index);
  void UpdateButtons(bool noteShown);
  // The row whose record id is id, or -1.
  int FindRow(uint32_t id) const;
  void OnSelectionChanged(int row);
  void OnTextChanged();
  void PushText();

  CBaseListCtrl* m_list;
  QPlainTextEdit* m_noteBox;
  QLabel* m_readOnlyLabel;
  CPictureButton* m_print;
  CPictureButton* m_export;
  CPictureButton* m_delete;
  CPictureButton* m_noDelete;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  // Set while the list is refilled or a row removed: selection changes are not shown then.
  bool loading = false;
  // Set while the program puts text into the box: that is no edit.
  bool m_pushing = false;
};
