#include "patients/CPatientInfoPage.h"

#include <QVBoxLayout>

#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "patients/CPatientForm.h"
#include "patients/PatientFields.h"
#include "shell/IPageHost.h"

namespace {

constexpr int kMargin = 2;
// The list reaches this far above the bottom of the page.
constexpr int kBottomGap = 7;

}  // namespace

CPatientInfoPage::CPatientInfoPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_form(new CPatientForm(patient_fields::InfoRows(), this)),
      m_save(new CPictureButton(strings::Load(ids::kPictureSave), this)),
      m_noSave(new CPictureButton(strings::Load(ids::kPictureNoSave), this)) {
  m_recordType = CDBPatient::kRecordType;
  m_form->AddButton(m_save);
  m_form->AddButton(m_noSave);
  m_form->SetMargins(kMargin, kMargin, kBottomGap);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_form);

  ShowReadOnly(false);
  m_save->setEnabled(false);
  m_form->SetReadOnly(true);
  connect(m_save, &QAbstractButton::clicked, this, &CPatientInfoPage::OnSave);
  connect(m_form, &CPatientForm::edited, this, &CPatientInfoPage::OnEdited);
}

CBaseListCtrl* CPatientInfoPage::List() const {
  return m_form->List();
}

QDateEdit* CPatientInfoPage::AdmitDatePicker() const {
  return m_form->AdmitDatePicker();
}

bool CPatientInfoPage::OnSetActive() {
  Load();
  return true;
}

bool CPatientInfoPage::OnKillActive() {
  List()->CloseEdit();
  List()->DeleteAllItems();
  return true;
}

void CPatientInfoPage::Load() {
  CDBPatient patient;
  if (!patient.FindByName(CurrentPatient())) {
    m_recordId = 0;
    m_form->Clear(FILETIME{});
    m_form->SetReadOnly(true);
    ShowReadOnly(false);
    m_save->setEnabled(false);
    return;
  }
  m_form->UpdateData(false, patient);
  m_recordId = patient.recordId;
  const bool readOnly = patient.accessState == 1;
  ShowReadOnly(readOnly);
  m_form->SetReadOnly(readOnly);
  m_save->setEnabled(false);
}

void CPatientInfoPage::ShowReadOnly(bool readOnly) {
  m_noSave->setVisible(readOnly);
  m_save->setVisible(!readOnly);
}

void CPatientInfoPage::OnEdited() {
  // Only a patient that can be edited has anything to save.
  if (m_recordId != 0 && !List()->IsReadOnly()) {
    m_save->setEnabled(true);
  }
}

void CPatientInfoPage::OnSave() {
  const QString name = CurrentPatient();
  CDBPatient patient;
  if (List()->IsReadOnly() || !patient.FindByName(name)) {
    List()->CloseEdit();
    return;
  }
  m_form->UpdateData(true, patient);
  if (!patient.UpdateRecord(name, false)) {
    // The edits stay on the page, and Save stays enabled, so that they can be saved again.
    messages::Show(strings::Load(ids::kPatientNotSaved), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  m_form->RememberAdmitDate(patient.admitDate);
  // The list's MR and room columns and the header follow the new values.
  if (Host() != nullptr) {
    Host()->RefillPatientList(true, false);
  }
  m_save->setEnabled(false);
}
