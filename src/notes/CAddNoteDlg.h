#pragma once

#include <QDialog>

#include "platform/FileTime.h"

class CPictureButton;
class QDateEdit;
class QRadioButton;
class QTimeEdit;

// "Add Note": the full-screen dialog in which a new note's date and time are set and its type
// chosen. NEXT ends it with kNextResult, CANCEL with the cancel result (QDialog::Rejected); the
// caller then runs the chosen type's note sheet.
class CAddNoteDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNextResult = 1018;
  // The note types, as the radio buttons under "Note Type" offer them.
  enum NoteKind : int { kSoapNote = 0, kHpNote = 1, kKindCount };

  explicit CAddNoteDlg(QWidget* parent = nullptr);

  // Offers a note type or withholds it (its button is shown disabled): the program offers only
  // the types whose sheet it has. A withheld type that was chosen gives way to the first offered.
  void SetKindOffered(int kind, bool offered);
  bool IsKindOffered(int kind) const;

  // NEXT: takes the pickers and the chosen type into the members and ends with kNextResult.
  void OnNext();
  void OnCancel();

  // Moves the members to the controls (save false) or the controls' values to the members.
  void UpdateData(bool save);

  QDateEdit* DatePicker() const { return m_datePicker; }
  QTimeEdit* TimePicker() const { return m_timePicker; }
  QRadioButton* KindButton(int kind) const;
  CPictureButton* NextButton() const { return m_next; }
  CPictureButton* CancelButton() const { return m_cancel; }

  int noteKind = kSoapNote;
  FILETIME date;
  FILETIME time;

 private:
  QDateEdit* m_datePicker;
  QTimeEdit* m_timePicker;
  QRadioButton* m_kinds[kKindCount];
  CPictureButton* m_next;
  CPictureButton* m_cancel;
};
