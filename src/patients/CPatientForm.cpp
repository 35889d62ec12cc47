#include "patients/CPatientForm.h"

#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/CDBPatient.h"
#include "common/DateChoices.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/QtControls.h"
#include "common/ui/WindowRoom.h"
#include "patients/PatientFields.h"

namespace {

// The device's today.
QDate Today() {
  FILETIME now;
  GetCurrentTime(now);
  return patient_fields::DayOf(now);
}

// The short-date picker of the admission date.
QDateEdit* MakeAdmitDatePicker(QWidget* parent) {
  QDateEdit* picker = qt_controls::MakeShortDatePicker(parent);
  picker->setObjectName(QStringLiteral("admitDatePicker"));
  return picker;
}

}  // namespace

CPatientForm::CPatientForm(const field_table::Table<CDBPatient>& rows, QWidget* parent)
    : QWidget(parent),
      m_rows(rows),
      m_admitLabel(new QLabel(strings::Load(ids::kAdmitDateLabel), this)),
      m_admitPicker(MakeAdmitDatePicker(this)),
      m_list(new CBaseListCtrl(this)),
      m_top(new QHBoxLayout),
      m_layout(new QVBoxLayout(this)),
      m_lastBeforeList(m_admitPicker) {
  m_list->setObjectName(QStringLiteral("itemList"));
  m_list->setAccessibleName(strings::Load(ids::kPatientDetailsName));
  m_admitLabel->setBuddy(m_admitPicker);
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnItem), 0);
  m_list->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  m_list->AddCompanion(m_admitLabel);
  m_list->AddCompanion(m_admitPicker);
  m_admitPicker->setMinimumWidth(110);

  m_top->setSpacing(4);
  m_top->addWidget(m_admitLabel);
  m_top->addWidget(m_admitPicker);
  m_top->addStretch(1);
  m_layout->setSpacing(4);
  m_layout->addLayout(m_top);
  m_layout->addWidget(m_list, 1);

  connect(m_list, &CBaseListCtrl::choicePicked, this, &CPatientForm::OnChoicePicked);
  connect(m_list, &CBaseListCtrl::editEnded, this, &CPatientForm::OnEditEnded);
  connect(m_list, &CBaseListCtrl::currentRowChanged, this, &CPatientForm::edited);
  connect(m_list, &CBaseListCtrl::valueChanged, this, &CPatientForm::edited);
  connect(m_list, &CBaseListCtrl::focusLost, this, &CPatientForm::edited);
  m_list->installEventFilter(this);
  Clear(FILETIME{});
}

void CPatientForm::AddButton(QWidget* button) {
  m_top->addWidget(button, 0, Qt::AlignVCenter);
  QWidget::setTabOrder(m_lastBeforeList, button);
  QWidget::setTabOrder(button, m_list);
  m_lastBeforeList = button;
}

void CPatientForm::SetMargins(int side, int top, int bottom) {
  m_layout->setContentsMargins(side, top, side, bottom);
}

int CPatientForm::RowOf(int labelId) const {
  for (size_t row = 0; row < m_rows.size(); ++row) {
    if (m_rows[row].labelId == labelId) {
      return static_cast<int>(row);
    }
  }
  return -1;
}

void CPatientForm::Clear(const FILETIME& admitted) {
  m_list->CancelEdit();
  m_items = field_table::Build(m_rows);
  m_list->UnpackList(m_items);
  ShowAdmitDate(admitted);
}

void CPatientForm::UpdateData(bool save, CDBPatient& patient) {
  if (save) {
    m_list->CloseEdit();
    m_list->PackList(m_items);
    field_table::Exchange(m_rows, m_items, patient, true);
    patient.admitDate = AdmitDate();
    return;
  }
  m_list->CancelEdit();
  m_items = field_table::Build(m_rows);
  field_table::Exchange(m_rows, m_items, patient, false);
  m_list->UnpackList(m_items);
  ShowAdmitDate(patient.admitDate);
}

void CPatientForm::ShowAdmitDate(const FILETIME& admitted) {
  // A patient without an admission date shows today until the user picks a day.
  m_admitDate = admitted;
  const QDate day = patient_fields::DayOf(admitted);
  m_admitPicker->setDate(day.isValid() ? day : Today());
  m_admitDayShown = m_admitPicker->date();
}

FILETIME CPatientForm::AdmitDate() const {
  m_admitPicker->interpretText();
  const QDate picked = m_admitPicker->date();
  return picked == m_admitDayShown ? m_admitDate : patient_fields::WithDay(m_admitDate, picked);
}

void CPatientForm::RememberAdmitDate(const FILETIME& admitted) {
  m_admitDate = admitted;
  m_admitDayShown = m_admitPicker->date();
}

void CPatientForm::SetReadOnly(bool readOnly) {
  m_list->SetReadOnly(readOnly);
  m_admitPicker->setEnabled(!readOnly);
}

void CPatientForm::OnChoicePicked(CBaseListCtrl::ChoicePick& pick) {
  if (pick.row == RowOf(ids::kLabelDob)) {
    if (pick.choiceId == ids::kNoDate) {
      // The date goes; an age already entered stays.
      if (CListItem* dob = m_list->GetRowItem(pick.row)) {
        dob->ClearDate();
      }
      m_list->SetValue(pick.row, QString());
      pick.handled = true;
    } else if (date_choices::IsDecade(pick.choiceId)) {
      m_list->ShowInPlaceDatePicker(pick.row, CBaseListCtrl::kValueColumn,
                                    date_choices::DecadeStart(pick.choiceId), 0);
      pick.handled = true;
    }
  }
  emit edited();
}

void CPatientForm::OnEditEnded(const CBaseListCtrl::EditEnd& end) {
  const int ageRow = RowOf(ids::kLabelAge);
  if (end.row == RowOf(ids::kLabelDob) && end.hasDate && !end.cancelled && ageRow >= 0) {
    FILETIME born;
    QString age;
    if (filetime::FromSystemTime(end.date, born)) {
      CDBPatient::SetAge(born, age);
    }
    m_list->SetValue(ageRow, age);
  }
  emit edited();
}

bool CPatientForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list && event->type() == QEvent::Resize) {
    SizeColumns();
  }
  return QWidget::eventFilter(watched, event);
}

void CPatientForm::SizeColumns() {
  // The "Item" and "Value" columns share the list's width w: (2 w) / 5 - 10 and (3 w) / 5 - 15
  // at the hand-held size; above it "Item" is as wide as its longest label.
  const QSize widths = window_room::ItemValueWidths(*m_list, m_list->width(), 10, 15);
  m_list->SetColumnWidth(CBaseListCtrl::kLabelColumn, qMax(20, widths.width()));
  m_list->SetColumnWidth(CBaseListCtrl::kValueColumn, qMax(20, widths.height()));
}
