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

namespace {

// The value list ends this far above the bottom of the page.
constexpr int kBottomGap = 7;

}  // namespace

CVitalsPage::CVitalsPage(CVSTestsPage& container)
    : CVsTestsSubPage(kDialogId, container),
      m_dateList(new QComboBox(this)),
      m_values(new CBaseListCtrl(this)),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_noSave(vs_tests_widgets::MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this)),
      m_delete(vs_tests_widgets::MakeButton(ids::kPictureDelete, ids::kButtonDelete, this)),
      m_noDelete(vs_tests_widgets::MakeButton(ids::kPictureNoDelete, ids::kNoDeleteName, this)),
      templateRows(field_table::Build(vitals_fields::Rows())) {
  m_recordType = CDBVitals::kRecordType;
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
  for (CPictureButton* button : {m_save, m_noSave, m_delete, m_noDelete}) {
    top->addWidget(button, 0, Qt::AlignVCenter);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, kBottomGap);
  layout->setSpacing(4);
  layout->addLayout(top);
  layout->addWidget(m_values, 1);
  // Tab follows the page from the top: the date, the buttons, then the list.
  accessibility::SetTabOrder({m_dateList, m_save, m_delete, m_values});

  m_values->UnpackList(templateRows);
  templateLost = false;
  ShowNoEntry();

  connect(m_dateList, &QComboBox::currentIndexChanged, this, &CVitalsPage::OnDateChanged);
  connect(m_save, &QAbstractButton::clicked, this, &CVitalsPage::OnSave);
  connect(m_delete, &QAbstractButton::clicked, this, &CVitalsPage::OnDelete);
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

void CVitalsPage::ReadEntry(uint32_t recordId, CDBVitals& entry) {
  // An entry that cannot be read shows as a fresh store object holds it: no values, writable.
  entry.LoadByCEOID(recordId);
}

bool CVitalsPage::StoreValues(uint32_t recordId, const QString& values) {
  return CDBVitals().UpdateValues(recordId, values);
}

bool CVitalsPage::DeleteEntry(uint32_t recordId) {
  return CDBVitals().DeleteByCEOID(recordId);
}

// ---------------------------------------------------------------------------------------------
// Showing an entry

bool CVitalsPage::OnSetActive() {
  CVsTestsSubPage::OnSetActive();
  const uint32_t kept = m_recordId;
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
  return true;
}

bool CVitalsPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = CDBVitals::kRecordType;
  recordId = ChosenRecordId();
  return recordId != 0;
}

uint32_t CVitalsPage::ChosenRecordId() const {
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
  m_save->setEnabled(true);
  m_delete->setEnabled(true);
  m_recordId = ChosenRecordId();
  CDBVitals entry;
  ReadEntry(m_recordId, entry);
  if (entry.accessState != 0) {
    ShowStoredPairs(entry.values);
  } else {
    ShowInTemplateRows(entry.values);
  }
  ApplyReadOnly(entry.accessState);
}

void CVitalsPage::ShowNoEntry() {
  m_values->DeleteAllItems();
  templateLost = true;
  ApplyReadOnly(0);
  m_save->setEnabled(false);
  m_delete->setEnabled(false);
  m_recordId = 0;
}

void CVitalsPage::ShowStoredPairs(const QString& values) {
  // Exactly what the desktop sent, in its order, names outside the template included.
  m_values->UnpackStringList(values);
  templateLost = true;
}

void CVitalsPage::ShowInTemplateRows(const QString& values) {
  if (templateLost) {
    m_values->UnpackList(templateRows);
  }
  templateLost = m_values->UnpackString(values);
}

void CVitalsPage::ApplyReadOnly(int state) {
  readOnly = state;
  const bool locked = state != 0;
  ShowReadOnlyLabel(locked);
  m_save->setVisible(!locked);
  m_delete->setVisible(!locked);
  m_noSave->setVisible(locked);
  m_noDelete->setVisible(locked);
  if (!locked) {
    m_save->setEnabled(false);  // the first edit enables it
  }
  m_values->SetReadOnly(locked);
}

// ---------------------------------------------------------------------------------------------
// SAVE and DELETE

void CVitalsPage::OnSave() {
  const uint32_t id = ChosenRecordId();
  // A read-only entry is never written, whatever reached this handler.
  if (m_dateList->count() == 0 || id == 0 || readOnly != 0) {
    return;
  }
  m_values->CloseEdit();
  if (!StoreValues(id, m_values->PackString())) {
    vs_tests_widgets::ReportFailure(ids::kVitalsSaveFailed);
    return;  // SAVE stays enabled: the values are not stored
  }
  m_save->setEnabled(false);
  TellPatientDataChanged();
}

void CVitalsPage::OnDelete() {
  const int index = m_dateList->currentIndex();
  const uint32_t id = ChosenRecordId();
  if (m_dateList->count() == 0 || id == 0 || readOnly != 0) {
    return;
  }
  if (!vs_tests_widgets::ConfirmDelete(ids::kAskDeleteVitals)) {
    return;
  }
  if (!DeleteEntry(id)) {
    vs_tests_widgets::ReportFailure(ids::kVitalsDeleteFailed);
    return;
  }
  TellPatientDataChanged();
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
  m_save->setEnabled(m_recordId != 0 && readOnly == 0);
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
