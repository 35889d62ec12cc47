#pragma once

#include <QDialog>
#include <QString>

class CPictureButton;
class QLabel;
class QPlainTextEdit;
class QVBoxLayout;

// "To Do": one todo item's text and its note, full screen. The caller sets itemText, note and
// readOnly and runs it; SAVE confirms the note (note then holds the box's text), CANCEL leaves it
// as it was. A read-only item's note can be read but not changed: NOSAVE stands where SAVE was.
// The dialog touches no store.
class CToDoDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CToDoDlg(QWidget* parent = nullptr);

  // Shows the members, runs the dialog (through the modal seam) and, on SAVE, takes the note
  // back. Answers QDialog::Accepted for SAVE.
  int DoModal();
  // Moves the members to the controls (save false) or the note box's text to note (save true).
  void UpdateData(bool save);

  void OnSave();
  void OnCancel();

  QLabel* ItemLabel() const { return m_itemLabel; }
  QPlainTextEdit* NoteBox() const { return m_noteBox; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* NoSaveButton() const { return m_noSave; }
  CPictureButton* CancelButton() const { return m_cancel; }

  QString itemText;
  QString note;
  bool readOnly = false;

 private:
  void OnInitDialog();
  // The note box ends 5 pixels above the input panel when it is up, 35 above the desktop's
  // bottom when it is down.
  void FitToInputPanel();

  QLabel* m_itemLabel;
  CPictureButton* m_save;
  CPictureButton* m_noSave;
  CPictureButton* m_cancel;
  QPlainTextEdit* m_noteBox;
  QVBoxLayout* m_layout;
};
