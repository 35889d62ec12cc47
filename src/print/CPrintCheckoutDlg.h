#pragma once

#include <QDialog>
#include <QString>

#include "print/CheckoutPrint.h"
#include "shell/Options.h"

class CCheckoutPatientList;
class CPictureButton;
class QCheckBox;
class QLabel;
class QVBoxLayout;

// "Print Checkout List": the patients of the patient list's type, of which the user marks those
// to print a hand-over summary of, and what the summaries include (medications, vital signs, the
// todo list). PRINT prints the marked patients from the top and closes the dialog; CANCEL closes
// it without printing. A tap on a column heading sorts the list by that column.
class CPrintCheckoutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 153;

  // type: the patient type shown on the patient list ("" = every type); settings: the printer
  // page settings.
  CPrintCheckoutDlg(const QString& type, const app_options::PrintSettings& settings,
                    QWidget* parent = nullptr);

  // Runs the dialog through the modal seam.
  int DoModal();

  void OnPrint();
  void OnCancel();

  CCheckoutPatientList* List() const { return m_list; }
  CPictureButton* PrintButton() const { return m_print; }
  CPictureButton* CancelButton() const { return m_cancel; }
  QCheckBox* MedsBox() const { return m_meds; }
  QCheckBox* VitalsBox() const { return m_vitals; }
  QCheckBox* TodoBox() const { return m_todo; }

 private:
  void UpdateData(bool save);
  // Opens the printer, prints the marked patients with the progress window up, sends the form
  // feed and closes the printer; every printer failure is told.
  void PrintMarked();
  // The list ends 38 pixels above the input panel when it is up, 70 above the desktop's bottom
  // when it is down; the choices follow directly below it.
  void FitToInputPanel();

  app_options::PrintSettings m_settings;
  checkout_print::Contents m_contents;
  QLabel* m_help;
  CCheckoutPatientList* m_list;
  CPictureButton* m_print;
  CPictureButton* m_cancel;
  QLabel* m_itemsLabel;
  QCheckBox* m_meds;
  QCheckBox* m_vitals;
  QCheckBox* m_todo;
  QWidget* m_choices;
  QVBoxLayout* m_layout;
};
