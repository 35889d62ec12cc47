#pragma once

#include <QString>

#include "chart/VsTestsEntryDlg.h"
#include "platform/FileTime.h"

class CPictureButton;
class CPopupList;
class QComboBox;
class QLabel;
class QPlainTextEdit;

// "Add Test": the full-screen dialog in which a new test is entered, its date and time, its name
// ("Test:", at most 24 characters, typed or picked from the test-name category list, whose edit
// entry opens the category editor) and its free-text result, into which the "Result" pop-up
// inserts ready-made phrases. SAVE refuses a name that is empty or blank and otherwise ends with
// OK, the name without its leading blanks; CANCEL ends with Cancel.
class CAddTestDlg : public CVsTestsEntryDlg {
  Q_OBJECT

 public:
  static constexpr int kTestNameLimit = 24;
  // The auto-text list that the result pop-up offers.
  static constexpr int kResultPopupList = 21;

  explicit CAddTestDlg(QWidget* parent = nullptr);

  // Controls -> members (save) or members -> controls.
  void UpdateData(bool save);
  // Shown, the dialog has the caret in "Test:" after its text.
  void setVisible(bool visible) override;
  void OnSave();
  void OnCancel();
  // An entry of "Test:" was chosen.
  void OnTestChosen(int index);
  // The pop-up's notification: code 1 appends the picked text and a blank to the result.
  void OnPopupNotify(int code, const QString& text);

  QComboBox* TestBox() const { return m_test; }
  QPlainTextEdit* ResultBox() const { return m_result; }
  CPopupList* ResultPopup() const { return m_popup; }
  QLabel* ResultCaption() const { return m_resultCaption; }
  CPictureButton* SaveButton() const { return m_save; }
  CPictureButton* CancelButton() const { return m_cancel; }

  FILETIME date;
  FILETIME time;
  QString testName;
  QString result;

 protected:
  // A tap on the "Result" caption opens the pop-up, as its button does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillTestNames();
  void OnTestTyped(const QString& text);

  CPictureButton* m_save;
  CPictureButton* m_cancel;
  QComboBox* m_test;
  QLabel* m_resultCaption;
  CPopupList* m_popup;
  QPlainTextEdit* m_result;
  // What "Test:" held before a pick, given back when the edit entry was picked.
  QString m_typedName;
};
