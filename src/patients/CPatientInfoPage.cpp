#include "patients/CPatientInfoPage.h"

#include <QDateEdit>
#include <QLabel>
#include <QResizeEvent>

#include "app/CPatientTabCtrl.h"
#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "patients/CAddPatientDlg.h"

namespace {

constexpr int kMargin = 2;
// The list reaches this far above the bottom of the page.
constexpr int kBottomGap = 7;

struct RowSpec {
  int labelId;
  int kind;
  int listId;  // -1 = none
  int limit;   // 0 = none
};

constexpr RowSpec kRows[CPatientInfoPage::kRowCount] = {
    {ids::kLabelMrNumber, CListItem::kText, -1, 30},
    {ids::kLabelRoom, CListItem::kPickList, CDBCategories::kRoomList, 0},
    {ids::kLabelDoctor, CListItem::kPickList, CDBCategories::kDoctorList, 0},
    {ids::kLabelAge, CListItem::kText, -1, 0},
    {ids::kLabelDob, CListItem::kDate, -1, 0},
    {ids::kLabelRace, CListItem::kPickList, CDBCategories::kRaceList, 0},
    {ids::kLabelSex, CListItem::kChoices, -1, 0},
    {ids::kLabelCode, CListItem::kPickList, CDBCategories::kCodeStatusList, 0},
    {ids::kLabelDx, CListItem::kPickListMultiline, CDBCategories::kDiagnosisList, 0},
    {ids::kLabelProblems, CListItem::kPickListMultiline, CDBCategories::kProblemsList, 0},
};

// The device's today.
QDate Today() {
  FILETIME now;
  GetCurrentTime(now);
  return patient_fields::DayOf(now);
}

}  // namespace

CPatientInfoPage::CPatientInfoPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_admitLabel(new QLabel(strings::Load(ids::kAdmitDateLabel), this)),
      m_admitPicker(patient_fields::MakeAdmitDatePicker(this)),
      m_save(new CPictureButton(strings::Load(ids::kPictureSave), this)),
      m_noSave(new CPictureButton(strings::Load(ids::kPictureNoSave), this)),
      m_list(new CBaseListCtrl(this)) {
  m_recordType = CDBPatient::kRecordType;
  m_list->setObjectName(QStringLiteral("itemList"));
  OnInitDialog();
  connect(m_save, &QAbstractButton::clicked, this, &CPatientInfoPage::OnSave);
  connect(m_list, &CBaseListCtrl::notify, this, &CPatientInfoPage::OnListNotify);
}

void CPatientInfoPage::OnInitDialog() {
  m_noSave->hide();
  m_save->setEnabled(false);
  m_admitPicker->setEnabled(false);
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->SetReadOnly(true);
  Layout();
  patient_fields::AddColumns(*m_list);
}

void CPatientInfoPage::BuildRows() {
  m_items.clear();
  m_items.reserve(kRowCount);
  for (const RowSpec& spec : kRows) {
    CListItem item(spec.labelId, QString());
    item.kind = spec.kind;
    item.listId = spec.listId;
    item.limit = spec.limit;
    m_items.push_back(item);
  }
  m_items[kSexRow].AddChoice(strings::Load(ids::kSexMale), ids::kSexMale);
  m_items[kSexRow].AddChoice(strings::Load(ids::kSexFemale), ids::kSexFemale);
  m_items[kDxRow].flags = 1;
  m_items[kProblemsRow].flags = 1;
}

bool CPatientInfoPage::OnSetActive() {
  Load();
  return true;
}

bool CPatientInfoPage::OnKillActive() {
  m_list->CloseEdit();
  m_items.clear();
  m_list->DeleteAllItems();
  return true;
}

void CPatientInfoPage::Load() {
  m_list->CancelEdit();
  BuildRows();
  m_list->UnpackList(m_items);

  CDBPatient patient;
  if (!patient.FindByName(CurrentPatient())) {
    m_recordId = 0;
    m_admitDate = FILETIME{};
    m_admitPicker->setDate(Today());
    m_admitDayShown = m_admitPicker->date();
    m_admitPicker->setEnabled(false);
    m_list->SetReadOnly(true);
    m_noSave->hide();
    m_save->show();
    m_save->setEnabled(false);
    return;
  }

  // A patient without an admission date shows today until the user picks a day.
  m_admitDate = patient.admitDate;
  const QDate admitted = patient_fields::DayOf(m_admitDate);
  m_admitPicker->setDate(admitted.isValid() ? admitted : Today());
  m_admitDayShown = m_admitPicker->date();

  m_items[kMrNumberRow].value = patient.mrNumber;
  m_items[kRoomRow].value = patient.room;
  m_items[kDoctorRow].value = patient.doctor;
  m_items[kAgeRow].value = strings::FormatId(ids::kAgeText, patient.ageValue, patient.ageUnit);
  m_items[kRaceRow].value = patient.race;
  m_items[kSexRow].value = patient.sex;
  for (const CListItem::Choice& choice : m_items[kSexRow].choices) {
    if (choice.text == patient.sex) {
      m_items[kSexRow].choiceId = choice.id;
    }
  }
  m_items[kCodeRow].value = patient.codeStatus;
  m_items[kDxRow].value = patient.diagnosis;
  m_items[kProblemsRow].value = patient.problems;
  SYSTEMTIME born;
  if (!filetime::IsZero(patient.dateOfBirth) && filetime::ToSystemTime(patient.dateOfBirth, born)) {
    m_items[kDobRow].date = born;
    m_items[kDobRow].value = CBaseListCtrl::DateText(born);
  }
  m_list->UnpackList(m_items);

  m_recordId = patient.recordId;
  const bool readOnly = patient.accessState == 1;
  m_noSave->setVisible(readOnly);
  m_save->setVisible(!readOnly);
  m_admitPicker->setEnabled(!readOnly);
  m_list->SetReadOnly(readOnly);
  m_save->setEnabled(false);
}

void CPatientInfoPage::OnListNotify(CBaseListCtrl::Notification& n) {
  switch (n.code) {
    case CBaseListCtrl::kNotifyChoice:
    case CBaseListCtrl::kNotifyEndLabelEdit:
    case CBaseListCtrl::kNotifyItemChanged:
    case CBaseListCtrl::kNotifyKillFocus:
      // Only a patient that can be edited has anything to save.
      if (m_recordId != 0 && !m_list->IsReadOnly()) {
        m_save->setEnabled(true);
      }
      break;
    default:
      break;
  }
  if (n.row != kDobRow) {
    return;
  }
  if (n.code == CBaseListCtrl::kNotifyChoice) {
    if (n.choiceId == ids::kNoDate) {
      if (CListItem* dob = m_list->GetRowItem(kDobRow)) {
        dob->ClearDate();
      }
      m_list->SetValue(kDobRow, QString());
      n.handled = true;
    } else if (patient_fields::IsDecade(n.choiceId)) {
      m_list->ShowInPlaceDatePicker(kDobRow, CBaseListCtrl::kValueColumn,
                                    patient_fields::DecadeStart(n.choiceId), 0);
      n.handled = true;
    }
  } else if (n.code == CBaseListCtrl::kNotifyEndLabelEdit && n.hasDate && !n.cancelled) {
    FILETIME born;
    QString age;
    if (filetime::FromSystemTime(n.date, born)) {
      CDBPatient::SetAge(born, age);
    }
    m_list->SetValue(kAgeRow, age);
  }
}

void CPatientInfoPage::OnSave() {
  m_list->CloseEdit();
  m_admitPicker->interpretText();
  const QDate picked = m_admitPicker->date();
  const FILETIME admitted =
      picked == m_admitDayShown ? m_admitDate : patient_fields::WithDay(m_admitDate, picked);

  const QString name = CurrentPatient();
  CDBPatient patient;
  if (m_list->IsReadOnly() || !patient.FindByName(name)) {
    return;
  }
  m_list->PackList(m_items);
  const auto value = [this](Row row) { return m_items[static_cast<size_t>(row)].value; };
  patient_fields::SplitAge(value(kAgeRow), patient.ageValue, patient.ageUnit);
  patient.doctor = value(kDoctorRow);
  patient.mrNumber = value(kMrNumberRow);
  patient.race = value(kRaceRow);
  patient.sex = value(kSexRow);
  patient.codeStatus = value(kCodeRow);
  patient.diagnosis = value(kDxRow);
  patient.problems = value(kProblemsRow);
  patient.room = value(kRoomRow);
  patient.admitDate = admitted;
  patient.dateOfBirth = patient_fields::DateOfBirth(m_items[kDobRow]);
  patient.UpdateRecord(name, false);
  m_admitDate = admitted;
  m_admitDayShown = picked;

  // The list's MR and room columns and the header follow the new values.
  if (CPatientTabCtrl* strip = PatientTabCtrl()) {
    strip->RefillPatientList(true, false);
  }
  m_save->setEnabled(false);
}

void CPatientInfoPage::UpdateSize() {
  Layout();
}

void CPatientInfoPage::resizeEvent(QResizeEvent* event) {
  CPatientTabPage::resizeEvent(event);
  Layout();
}

void CPatientInfoPage::Layout() {
  const int w = width();
  const int rowHeight = qMax(m_admitPicker->sizeHint().height(), m_save->height());
  const int labelWidth = m_admitLabel->sizeHint().width();
  m_admitLabel->setGeometry(kMargin, kMargin, labelWidth, rowHeight);
  m_admitPicker->setGeometry(kMargin + labelWidth + 4, kMargin,
                             qMax(m_admitPicker->sizeHint().width(), 110), rowHeight);
  const QPoint buttonAt(w - kMargin - m_save->width(),
                        kMargin + (rowHeight - m_save->height()) / 2);
  m_save->move(buttonAt);
  m_noSave->move(buttonAt);

  const int top = kMargin + rowHeight + 4;
  m_list->setGeometry(kMargin, top, qMax(0, w - 2 * kMargin), qMax(0, height() - top - kBottomGap));
  patient_fields::SizeColumns(*m_list);
}
