#include "patients/CAddPatientDlg.h"

#include <QEvent>
#include <QVBoxLayout>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/WindowRoom.h"
#include "patients/CPatientForm.h"
#include "patients/PatientFields.h"

namespace {

constexpr int kMargin = 4;
// Room left under the list for the input panel's button bar: with the panel up and down.
constexpr int kListGapPanelUp = 5;
constexpr int kListGapPanelDown = 35;

}  // namespace

CAddPatientDlg::CAddPatientDlg(CDBPatient& patientStore, QWidget* parent)
    : QDialog(parent),
      patient(patientStore),
      m_form(new CPatientForm(patient_fields::AllRows(), this)),
      m_cancel(new CPictureButton(strings::Load(ids::kPictureCancel), this)),
      m_save(new CPictureButton(strings::Load(ids::kPictureSave), this)) {
  setWindowTitle(strings::Load(ids::kAddPatientTitle));
  m_form->AddButton(m_cancel);
  m_form->AddButton(m_save);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_form);

  FILETIME now;
  GetCurrentTime(now);
  m_form->Clear(now);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  FitToInputPanel();

  connect(m_save, &QAbstractButton::clicked, this, &CAddPatientDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddPatientDlg::OnCancel);
  connect(List(), &CBaseListCtrl::choicePicked, this, &CAddPatientDlg::OnChoicePicked);
}

CBaseListCtrl* CAddPatientDlg::List() const {
  return m_form->List();
}

QDateEdit* CAddPatientDlg::AdmitDatePicker() const {
  return m_form->AdmitDatePicker();
}

const std::vector<CListItem>& CAddPatientDlg::Items() const {
  return m_form->Items();
}

FILETIME CAddPatientDlg::AdmitDate() const {
  return m_form->AdmitDate();
}

void CAddPatientDlg::OnChoicePicked(CBaseListCtrl::ChoicePick& pick) {
  if (pick.row == kPatientTypeRow &&
      pick.choiceId == static_cast<int32_t>(CDBCategories::kEditEntryData)) {
    EditPatientTypes();
    pick.handled = true;
  }
}

void CAddPatientDlg::EditPatientTypes() {
  CEditCategoriesDlg editor(CDBCategories::kPatientTypeList, this);
  editor.DoModal();
  CListItem* row = List()->GetRowItem(kPatientTypeRow);
  if (row == nullptr) {
    return;
  }
  CDBCategories categories;
  categories.GetListItems(CDBCategories::kPatientTypeList, *row);
  row->choiceId = 0;
  List()->SetValue(kPatientTypeRow, QString());
}

void CAddPatientDlg::OnSave() {
  // A separate object takes the rows first and looks the name up, so that the caller's object
  // only ever holds what was entered here.
  CDBPatient entered;
  m_form->UpdateData(true, entered);
  const QString fullName = CDBPatient::MakeFullName(entered.firstName, entered.lastName);
  CDBPatient onFile;
  if (onFile.FindByName(fullName)) {
    messages::Show(strings::Load(ids::kPatientAlreadyOnFile), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }
  m_form->UpdateData(true, patient);
  if (patient.firstName.isEmpty() || patient.lastName.isEmpty() || patient.patientType.isEmpty()) {
    messages::Show(strings::Load(ids::kPatientNameAndTypeRequired), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Stop);
    return;
  }
  accept();
}

void CAddPatientDlg::OnCancel() {
  List()->CancelEdit();
  reject();
}

bool CAddPatientDlg::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    FitToInputPanel();
    return true;
  }
  return QDialog::event(event);
}

void CAddPatientDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FitToInputPanel();
}

void CAddPatientDlg::FitToInputPanel() {
  // The list's bottom margin: 5 pixels above the dialog's bottom, or more where the visible
  // desktop ends higher (by 5 pixels with the panel up, 35 with it down).
  m_form->SetMargins(kMargin, kMargin,
                     input_panel::BottomGap(height(), kListGapPanelUp, kListGapPanelDown));
  // Laid out at once, not at the next show: the panel may move while the dialog is up.
  if (layout() != nullptr) {
    layout()->setGeometry(rect());
    m_form->layout()->setGeometry(m_form->rect());
  }
}
