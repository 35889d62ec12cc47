#pragma once

#include <QDialog>
#include <QString>

class CCheckoutPatientList;
class CPictureButton;
class QLabel;
class QVBoxLayout;

// "Beam Checkout List": the patients of the patient list's type, of which the user marks those to
// beam to another device. BEAM (enabled while a patient is marked) beams them and closes the
// dialog; CANCEL closes it without beaming.
class CBeamCheckoutListDlg : public QDialog {
  Q_OBJECT

 public:
  // type: the patient type shown on the patient list ("" = every type); desktopCompanion: records
  // never synchronised with the desktop are not beamed.
  CBeamCheckoutListDlg(const QString& type, bool desktopCompanion, QWidget* parent = nullptr);

  // Runs the dialog through the modal seam.
  int DoModal();

  void OnBeam();
  void OnCancel();

  CCheckoutPatientList* List() const { return m_list; }
  CPictureButton* BeamButton() const { return m_beam; }
  CPictureButton* CancelButton() const { return m_cancel; }

 private:
  void OnMarksChanged(int marked);
  // The list ends 38 pixels above the input panel when it is up, 70 above the desktop's bottom
  // when it is down.
  void FitToInputPanel();

  bool m_desktopCompanion;
  QLabel* m_help;
  CCheckoutPatientList* m_list;
  CPictureButton* m_beam;
  CPictureButton* m_cancel;
  QVBoxLayout* m_layout;
};
