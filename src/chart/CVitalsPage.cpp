#include "chart/CVitalsPage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chart/VitalsFields.h"
#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/QtControls.h"
#include "store/CDBVitals.h"

CVitalsPage::CVitalsPage(CVSTestsPage& container)
    : CVsTestsSubPage(CDBVitals::kRecordType, container),
      m_dateList(new QComboBox(this)),
      m_values(new CBaseListCtrl(this)),
      m_templateRows(field_table::Build(vitals_fields::Rows())) {
  MakeRecordButtons(RecordButtons::kSaveAndDelete);
  m_dateList->setObjectName(QStringLiteral("dateList"));
  m_dateList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  m_values->setObjectName(QStringLiteral("valueList"));
  m_values->setAccessibleName(strings::Load(ids::kVitalsListName));
  m_values->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_values->InsertColumn(CBaseListCtrl::kLabelColumn, strings::Load(ids::kColumnVital), 0);
  m_values->InsertColumn(CBaseListCtrl::kValueColumn, strings::Load(ids::kColumnValue), 0);
  vs_tests_widgets::ColumnShares::Install(m_values, vs_tests_widgets::ColumnShares::kFifths, 15, 5);

  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(vs_tests_widgets::MakeCaption(ids::kSelectDateLabel, m_dateList, this));
  top->addWidget(m_dateList, 1);
  for (CPictureButton* button : {SaveButton(), NoSaveButton(), DeleteButton(), NoDeleteButton()}) {
    top->addWidget(button, 0, Qt::AlignVCenter);
  }
  auto* layout = new QVBoxLayout(this);
  SetPageMargins(*layout);
  layout->addLayout(top);
  layout->addWidget(m_values, 1);
  // Tab follows the page from the top: the date, the buttons, then the list.
  accessibility::SetTabOrder({m_dateList, SaveButton(), DeleteButton(), m_values});

  m_values->UnpackList(m_templateRows);
  m_templateLost = false;
  ShowNoEntry();

  connect(m_dateList, &QComboBox::currentIndexChanged, this, &CVitalsPage::OnDateChanged);
  connect(SaveButton(), &QAbstractButton::clicked, this, &CVitalsPage::OnSave);
  connect(DeleteButton(), &QAbstractButton::clicked, this, &CVitalsPage::OnDelete);
  connect(m_values, &CBaseListCtrl::choicePicked, this, &CVitalsPage::OnChoicePicked);
  connect(m_values, &CBaseListCtrl::editEnded, this, &CVitalsPage::OnEditEnded);
  connect(m_values, &CBaseListCtrl::valueChanged, this, &CVitalsPage::OnValueChanged);
  connect(m_values, &CBaseListCtrl::focusLost, this, &CVitalsPage::OnFocusLost);
}

// ---------------------------------------------------------------------------------------------
// Data

void CVitalsPage::FillDateList() {
  const QSignalBlocker blocker(m_dateList);
  const QString patient = Patient();
  if (patient.isEmpty()) {
    m_dateList->clear();  // nobody's entries: the store is not walked for an empty name
    return;
  }
  qt_controls::ComboBox combo(*m_dateList);
  CDBVitals().FillDateCombo(combo, patient, true);
}

// ---------------------------------------------------------------------------------------------
// Showing an entry

void CVitalsPage::Refill(uint32_t kept) {
  FillDateList();
  m_recordId = kept;
  int index = -1;
  for (int i = 0; m_recordId != 0 && i < m_dateList->count() && index < 0; ++i) {
    if (qt_controls::ItemData(*m_dateList, i) == m_recordId) {
      index = i;
    }
  }
  if (index < 0) {
    m_recordId = 0;
    index = 0;
  }
  SelectDate(index);
  LoadSelectedEntry();
}

uint32_t CVitalsPage::SelectedRecordId() const {
  const int index = m_dateList->currentIndex();
  return index >= 0 ? qt_controls::ItemData(*m_dateList, index) : 0;
}

void CVitalsPage::SelectDate(int index) {
  const QSignalBlocker blocker(m_dateList);
  m_dateList->setCurrentIndex(index < m_dateList->count() ? index : -1);
}

void CVitalsPage::OnDateChanged(int /*index*/) {
  LoadSelectedEntry();
}

void CVitalsPage::LoadSelectedEntry() {
  if (m_dateList->currentIndex() < 0) {
    ShowNoEntry();
    return;
  }
  SaveButton()->setEnabled(true);
  DeleteButton()->setEnabled(true);
  m_recordId = SelectedRecordId();
  // An entry that cannot be read shows as a fresh store object holds it: no values, writable.
  CDBVitals entry;
  entry.LoadByCEOID(m_recordId);
  if (entry.accessState != 0) {
    ShowStoredPairs(entry.values);
  } else {
    ShowInTemplateRows(entry.values);
  }
  ApplyReadOnly(entry.accessState);
}

void CVitalsPage::ShowNoEntry() {
  m_values->DeleteAllItems();
  m_templateLost = true;
  ApplyReadOnly(0);
  SaveButton()->setEnabled(false);
  DeleteButton()->setEnabled(false);
  m_recordId = 0;
}

void CVitalsPage::ShowStoredPairs(const QString& values) {
  // Exactly what the desktop sent, in its order, names outside the template included.
  m_values->UnpackStringList(values);
  m_templateLost = true;
}

void CVitalsPage::ShowInTemplateRows(const QString& values) {
  if (m_templateLost) {
    m_values->UnpackList(m_templateRows);
  }
  m_templateLost = m_values->UnpackString(values);
}

void CVitalsPage::ApplyReadOnly(int state) {
  ShowAccessState(state);
  if (state == 0) {
    SaveButton()->setEnabled(false);  // the first edit enables it
  }
  m_values->SetReadOnly(state != 0);
}

// ---------------------------------------------------------------------------------------------
// SAVE and DELETE

void CVitalsPage::OnSave() {
  const uint32_t id = SelectedRecordId();
  // A read-only entry is never written, whatever reached this handler.
  if (id == 0 || ReadOnlyState() != 0) {
    return;
  }
  m_values->CloseEdit();
  if (!CDBVitals().UpdateValues(id, m_values->PackString())) {
    vs_tests_widgets::ReportFailure(ids::kVitalsSaveFailed);
    return;  // SAVE stays enabled: the values are not stored
  }
  SaveButton()->setEnabled(false);
  TellPatientDataChanged();
}

void CVitalsPage::OnRecordDeleted(uint32_t /*recordId*/) {
  const int index = m_dateList->currentIndex();
  {
    const QSignalBlocker blocker(m_dateList);
    m_dateList->removeItem(index);
  }
  if (m_dateList->count() == 0) {
    ShowNoEntry();
    return;
  }
  // The entry that took the deleted one's place, or the new last one.
  SelectDate(qMin(index, m_dateList->count() - 1));
  LoadSelectedEntry();
}

// ---------------------------------------------------------------------------------------------
// Value list notifications

void CVitalsPage::EnableSaveForShownEntry() {
  SaveButton()->setEnabled(m_recordId != 0 && ReadOnlyState() == 0);
}

void CVitalsPage::OnChoicePicked(CBaseListCtrl::ChoicePick& /*pick*/) {
  EnableSaveForShownEntry();
}

void CVitalsPage::OnEditEnded(const CBaseListCtrl::EditEnd& /*end*/) {
  EnableSaveForShownEntry();
}

void CVitalsPage::OnValueChanged(int /*row*/, int /*column*/) {
  EnableSaveForShownEntry();
}

void CVitalsPage::OnFocusLost(int /*row*/) {
  EnableSaveForShownEntry();
}
