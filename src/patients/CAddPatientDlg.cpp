#include "patients/CAddPatientDlg.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QFont>
#include <QLabel>

#include "common/CDBCategories.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CEditCategoriesDlg.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"

// ---------------------------------------------------------------------------------------------
// patient_fields

namespace patient_fields {

bool IsDecade(int choiceId) {
  return choiceId >= ids::kDecadeFirst && choiceId <= ids::kDecadeLast;
}

SYSTEMTIME DecadeStart(int decadeId) {
  SYSTEMTIME start{};
  start.wYear = static_cast<uint16_t>(1915 + 10 * (decadeId - ids::kDecadeFirst));
  start.wMonth = 6;
  start.wDay = 15;
  start.wHour = 1;
  start.wSecond = 1;
  start.wDayOfWeek =
      static_cast<uint16_t>(QDate(start.wYear, start.wMonth, start.wDay).dayOfWeek() % 7);
  return start;
}

void SplitAge(const QString& text, QString& value, QString& unit) {
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  if (blank < 0) {
    value = text;
    unit.clear();
    return;
  }
  value = text.left(blank);
  unit = text.mid(blank + 1);
}

FILETIME DateOfBirth(const CListItem& row) {
  FILETIME born;
  if (row.date.wYear < 1800 || !filetime::FromSystemTime(row.date, born)) {
    return FILETIME{};
  }
  return born;
}

QDate DayOf(const FILETIME& time) {
  SYSTEMTIME fields;
  if (filetime::IsZero(time) || !filetime::ToSystemTime(time, fields)) {
    return {};
  }
  return QDate(fields.wYear, fields.wMonth, fields.wDay);
}

FILETIME WithDay(const FILETIME& time, const QDate& day) {
  if (!day.isValid()) {
    return time;
  }
  SYSTEMTIME fields{};
  if (!filetime::IsZero(time)) {
    filetime::ToSystemTime(time, fields);
  }
  fields.wYear = static_cast<uint16_t>(day.year());
  fields.wMonth = static_cast<uint16_t>(day.month());
  fields.wDay = static_cast<uint16_t>(day.day());
  fields.wDayOfWeek = static_cast<uint16_t>(day.dayOfWeek() % 7);
  FILETIME moved;
  return filetime::FromSystemTime(fields, moved) ? moved : time;
}

QDateEdit* MakeAdmitDatePicker(QWidget* parent) {
  auto* picker = new QDateEdit(parent);
  picker->setObjectName(QStringLiteral("admitDatePicker"));
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
  picker->setMinimumDate(QDate(1601, 1, 1));
  QFont calendarFont(QStringLiteral("System"));
  calendarFont.setPixelSize(15);
  picker->calendarWidget()->setFont(calendarFont);
  return picker;
}

void AddColumns(CBaseListCtrl& list) {
  list.InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  list.InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  SizeColumns(list);
}

void SizeColumns(CBaseListCtrl& list) {
  const int w = list.width();
  list.SetColumnWidth(CBaseListCtrl::kLabelColumn, qMax(20, (2 * w) / 5 - 10));
  list.SetColumnWidth(CBaseListCtrl::kValueColumn, qMax(20, (3 * w) / 5 - 15));
}

}  // namespace patient_fields

// ---------------------------------------------------------------------------------------------
// CAddPatientDlg

namespace {

constexpr int kMargin = 4;
// Room left under the list for the input panel's button bar: with the panel up and down.
constexpr int kListGapPanelUp = 5;
constexpr int kListGapPanelDown = 35;

struct RowSpec {
  int kind;
  int listId;  // -1 = none
  int limit;   // 0 = none
};

// The fourteen rows, in order; their labels are the consecutive strings from "Name (F)".
constexpr RowSpec kRows[CAddPatientDlg::kRowCount] = {
    {CListItem::kPickList, CDBCategories::kFirstNameList, 30},
    {CListItem::kPickList, CDBCategories::kLastNameList, 30},
    {CListItem::kChoices, CDBCategories::kPatientTypeList, 0},
    {CListItem::kText, -1, 30},
    {CListItem::kPickList, CDBCategories::kRoomList, 0},
    {CListItem::kPickList, CDBCategories::kDoctorList, 0},
    {CListItem::kText, -1, 0},
    {CListItem::kDate, -1, 0},
    {CListItem::kPickList, CDBCategories::kRaceList, 0},
    {CListItem::kChoices, -1, 0},
    {CListItem::kPickList, CDBCategories::kCodeStatusList, 0},
    {CListItem::kPickListMultiline, CDBCategories::kDiagnosisList, 0},
    {CListItem::kPickListMultiline, CDBCategories::kAllergiesList, 0},
    {CListItem::kPickListMultiline, CDBCategories::kProblemsList, 0},
};

}  // namespace

CAddPatientDlg::CAddPatientDlg(CDBPatient& patientStore, QWidget* parent)
    : QDialog(parent),
      patient(patientStore),
      m_admitLabel(new QLabel(strings::Load(ids::kAdmitDateLabel), this)),
      m_admitPicker(patient_fields::MakeAdmitDatePicker(this)),
      m_cancel(new CPictureButton(strings::Load(ids::kPictureCancel), this)),
      m_save(new CPictureButton(strings::Load(ids::kPictureSave), this)),
      m_list(new CBaseListCtrl(this)) {
  GetCurrentTime(admitDate);
  m_list->setObjectName(QStringLiteral("itemList"));
  OnInitDialog();
  connect(m_save, &QAbstractButton::clicked, this, &CAddPatientDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CAddPatientDlg::OnCancel);
  connect(m_list, &CBaseListCtrl::notify, this, &CAddPatientDlg::OnListNotify);
}

void CAddPatientDlg::OnInitDialog() {
  setWindowTitle(strings::Load(ids::kAddPatientTitle));
  // Full screen: the dialog covers the device's desktop.
  setGeometry(input_panel::Desktop());
  m_admitPicker->setDate(patient_fields::DayOf(admitDate));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  Layout();
  patient_fields::AddColumns(*m_list);
  BuildRows();
  m_list->AddCompanion(m_admitLabel);
  m_list->AddCompanion(m_admitPicker);
  m_list->UnpackList(m_items);
}

void CAddPatientDlg::BuildRows() {
  m_items.clear();
  m_items.reserve(kRowCount);
  for (int row = 0; row < kRowCount; ++row) {
    CListItem item(ids::kPatientLabelFirst + row, QString());
    item.kind = kRows[row].kind;
    item.listId = kRows[row].listId;
    item.limit = kRows[row].limit;
    m_items.push_back(item);
  }
  CDBCategories categories;
  categories.GetListItems(CDBCategories::kPatientTypeList, m_items[kPatientTypeRow]);
  m_items[kSexRow].AddChoice(strings::Load(ids::kSexMale), ids::kSexMale);
  m_items[kSexRow].AddChoice(strings::Load(ids::kSexFemale), ids::kSexFemale);
  // The list control shows these multi-line rows with their flag set.
  for (const int row : {kDxRow, kAllergiesRow, kProblemsRow}) {
    m_items[static_cast<size_t>(row)].flags = 1;
  }
}

void CAddPatientDlg::OnListNotify(CBaseListCtrl::Notification& n) {
  if (n.row == kDobRow && n.code == CBaseListCtrl::kNotifyChoice) {
    if (n.choiceId == ids::kNoDate) {
      // The date goes; an age already entered stays.
      if (CListItem* dob = m_list->GetRowItem(kDobRow)) {
        dob->ClearDate();
      }
      m_list->SetValue(kDobRow, QString());
    } else if (patient_fields::IsDecade(n.choiceId)) {
      m_list->ShowInPlaceDatePicker(kDobRow, CBaseListCtrl::kValueColumn,
                                    patient_fields::DecadeStart(n.choiceId), 0);
    }
    n.handled = true;
    return;
  }
  if (n.row == kDobRow && n.code == CBaseListCtrl::kNotifyEndLabelEdit && n.hasDate &&
      !n.cancelled) {
    FILETIME born;
    QString age;
    if (filetime::FromSystemTime(n.date, born)) {
      CDBPatient::SetAge(born, age);
    }
    m_list->SetValue(kAgeRow, age);
    return;
  }
  if (n.code != CBaseListCtrl::kNotifyChoice) {
    return;
  }
  if (n.choiceId != static_cast<int32_t>(CDBCategories::kEditEntryData)) {
    // The list control has placed the choice already.
    n.handled = true;
    return;
  }
  if (n.row == kPatientTypeRow) {
    EditPatientTypes();
    n.handled = true;
  }
}

void CAddPatientDlg::EditPatientTypes() {
  CEditCategoriesDlg editor(CDBCategories::kPatientTypeList, this);
  editor.DoModal();
  CListItem* row = m_list->GetRowItem(kPatientTypeRow);
  if (row == nullptr) {
    return;
  }
  CDBCategories categories;
  categories.GetListItems(CDBCategories::kPatientTypeList, *row);
  row->choiceId = 0;
  m_list->SetValue(kPatientTypeRow, QString());
}

void CAddPatientDlg::OnSave() {
  // Text still in an open editor counts.
  m_list->CloseEdit();
  m_list->PackList(m_items);
  m_admitPicker->interpretText();
  admitDate = patient_fields::WithDay(admitDate, m_admitPicker->date());

  const auto value = [this](Row row) { return m_items[static_cast<size_t>(row)].value; };
  const QString fullName = CDBPatient::MakeFullName(value(kFirstNameRow), value(kLastNameRow));
  // A separate object looks the name up, so that the caller's object only ever holds what was
  // entered here.
  CDBPatient onFile;
  if (onFile.FindByName(fullName)) {
    messages::Show(strings::Load(ids::kPatientAlreadyOnFile), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
    return;
  }

  patient_fields::SplitAge(value(kAgeRow), patient.ageValue, patient.ageUnit);
  patient.firstName = value(kFirstNameRow);
  patient.lastName = value(kLastNameRow);
  patient.doctor = value(kDoctorRow);
  patient.mrNumber = value(kMrNumberRow);
  patient.race = value(kRaceRow);
  patient.sex = value(kSexRow);
  patient.allergies = value(kAllergiesRow);
  patient.codeStatus = value(kCodeRow);
  patient.diagnosis = value(kDxRow);
  patient.patientType = value(kPatientTypeRow);
  patient.problems = value(kProblemsRow);
  patient.room = value(kRoomRow);
  patient.dateOfBirth = patient_fields::DateOfBirth(m_items[kDobRow]);
  patient.admitDate = admitDate;

  if (patient.firstName.isEmpty() || patient.lastName.isEmpty() || patient.patientType.isEmpty()) {
    messages::Show(strings::Load(ids::kPatientNameAndTypeRequired), strings::Load(ids::kAppName),
                   messages::Buttons::Ok, messages::Icon::Stop);
    return;
  }
  accept();
}

void CAddPatientDlg::OnCancel() {
  m_list->CancelEdit();
  reject();
}

bool CAddPatientDlg::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    Layout();
    return true;
  }
  return QDialog::event(event);
}

void CAddPatientDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Layout();
}

void CAddPatientDlg::Layout() {
  const int w = width();
  const int rowHeight = qMax(m_admitPicker->sizeHint().height(), m_save->height());
  const int labelWidth = m_admitLabel->sizeHint().width();
  m_admitLabel->setGeometry(kMargin, kMargin, labelWidth, rowHeight);
  const int pickerLeft = kMargin + labelWidth + 4;
  m_admitPicker->setGeometry(pickerLeft, kMargin, qMax(m_admitPicker->sizeHint().width(), 110),
                             rowHeight);
  m_save->move(w - kMargin - m_save->width(), kMargin + (rowHeight - m_save->height()) / 2);
  m_cancel->move(m_save->x() - 4 - m_cancel->width(), m_save->y());

  // The list ends just above the input panel when it is up, and leaves room for the command
  // bar when it is down.
  const int top = kMargin + rowHeight + kMargin;
  input_panel::SipInfo info;
  int height = this->height() - top - kListGapPanelUp;
  if (input_panel::GetInfo(info)) {
    const int gap = info.up ? kListGapPanelUp : kListGapPanelDown;
    height = qMin(height, info.visibleDesktop.height() - top - gap);
  }
  m_list->setGeometry(kMargin, top, qMax(0, w - 2 * kMargin), qMax(0, height));
  patient_fields::SizeColumns(*m_list);
}
