#include "chart/CTestsPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "store/CDBTest.h"

namespace {

constexpr int kBottomGap = 7;
constexpr int kListHeight = 180;

}  // namespace

CTestsPage::CTestsPage(CVSTestsPage& container)
    : CVsTestsSubPage(kDialogId, container),
      m_list(new CBaseListCtrl(this)),
      m_save(vs_tests_widgets::MakeButton(ids::kPictureSave, ids::kSaveName, this)),
      m_noSave(vs_tests_widgets::MakeButton(ids::kPictureNoSave, ids::kNoSaveName, this)),
      m_delete(vs_tests_widgets::MakeButton(ids::kPictureDelete, ids::kButtonDelete, this)),
      m_noDelete(vs_tests_widgets::MakeButton(ids::kPictureNoDelete, ids::kNoDeleteName, this)),
      m_result(new QPlainTextEdit(this)) {
  m_recordType = CDBTest::kRecordType;
  m_list->setObjectName(QStringLiteral("testList"));
  m_list->setAccessibleName(strings::Load(ids::kTestListName));
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  m_list->InsertColumn(0, strings::Load(ids::kColumnDate), 0);
  m_list->InsertColumn(1, strings::Load(ids::kColumnTest), 0);
  m_list->header()->setSectionsClickable(true);
  m_list->setFixedHeight(kListHeight);
  vs_tests_widgets::ColumnShares::Install(m_list, vs_tests_widgets::ColumnShares::kHalves, 0, 18);
  m_result->setObjectName(QStringLiteral("resultBox"));
  m_result->setAccessibleName(strings::Load(ids::kResultCaption));
  m_result->setTabChangesFocus(true);

  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(4);
  for (CPictureButton* button : {m_save, m_noSave, m_delete, m_noDelete}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(m_list, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, kBottomGap);
  layout->setSpacing(4);
  layout->addLayout(top);
  layout->addWidget(m_result, 1);

  ApplySelectionState(false);

  connect(m_save, &QAbstractButton::clicked, this, &CTestsPage::OnSave);
  connect(m_delete, &QAbstractButton::clicked, this, &CTestsPage::OnDelete);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, &CTestsPage::OnColumnClick);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CTestsPage::OnListItemChanged);
  connect(m_result, &QPlainTextEdit::textChanged, this, &CTestsPage::OnResultChanged);
}

// ---------------------------------------------------------------------------------------------
// Data

void CTestsPage::FillList() {
  const QString patient = Patient();
  if (patient.isEmpty()) {
    // Nobody's tests: the store is not walked for an empty name.
    m_list->DeleteAllItems();
    dates.clear();
    tests.clear();
    ids.clear();
    return;
  }
  CDBTest().FillList(*m_list, patient, dates, tests, ids, true);
}

bool CTestsPage::ReadTest(uint32_t recordId, CDBTest& test) {
  return test.LoadByCEOID(recordId);
}

bool CTestsPage::StoreResult(uint32_t recordId, const QString& result) {
  return CDBTest().UpdateResult(recordId, result);
}

bool CTestsPage::DeleteTest(uint32_t recordId) {
  return CDBTest().DeleteByCEOID(recordId);
}

uint32_t CTestsPage::RecordIdOf(int row) const {
  const size_t entry = m_list->GetItemData(row);
  return row >= 0 && row < m_list->GetItemCount() && entry < ids.size() ? ids[entry] : 0;
}

int CTestsPage::RowOf(uint32_t recordId) const {
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (RecordIdOf(row) == recordId) {
      return row;
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Reloading and showing a test

bool CTestsPage::OnSetActive() {
  CVsTestsSubPage::OnSetActive();
  const uint32_t kept = m_recordId;
  reloading = true;
  resultText.clear();
  SetResultText(resultText);
  ApplySelectionState(false);
  FillList();
  // The store's order, until the next click on a heading.
  m_list->header()->setSortIndicatorShown(false);
  reloading = false;
  const int row = kept != 0 ? RowOf(kept) : -1;
  if (row >= 0) {
    SelectAndShow(row);
  } else if (m_list->GetItemCount() > 0) {
    SelectAndShow(0);
  }
  return true;
}

bool CTestsPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = CDBTest::kRecordType;
  recordId = RecordIdOf(m_list->GetSelectedRow());
  return recordId != 0;
}

void CTestsPage::SelectAndShow(int row) {
  {
    const QSignalBlocker blocker(m_list);
    m_list->SelectRow(row);
  }
  ShowRow(row);
}

void CTestsPage::OnListItemChanged() {
  const int row = m_list->GetSelectedRow();
  if (!reloading && row >= 0) {
    ShowRow(row);
  } else {
    ApplySelectionState(false);
  }
}

void CTestsPage::ShowRow(int row) {
  ApplySelectionState(true);
  CDBTest test;
  ReadTest(RecordIdOf(row), test);
  resultText = test.result;
  SetResultText(resultText);
  ApplyReadOnly(test.accessState);
}

void CTestsPage::ApplySelectionState(bool selected) {
  if (!selected) {
    ApplyReadOnly(0);
  }
  int type = 0;
  uint32_t id = 0;
  m_recordId = selected && GetSelectedRecord(type, id) ? id : 0;
  m_save->setEnabled(false);
  m_delete->setEnabled(selected);
}

void CTestsPage::ApplyReadOnly(int state) {
  readOnly = state;
  const bool locked = state != 0;
  ShowReadOnlyLabel(locked);
  m_save->setVisible(!locked);
  m_delete->setVisible(!locked);
  m_noSave->setVisible(locked);
  m_noDelete->setVisible(locked);
  m_result->setReadOnly(locked);
}

void CTestsPage::SetResultText(const QString& text) {
  const QSignalBlocker blocker(m_result);
  m_result->setPlainText(text);
}

void CTestsPage::OnResultChanged() {
  // Only a shown test that can be written has anything to save.
  if (readOnly == 0 && m_recordId != 0) {
    m_save->setEnabled(true);
  }
}

void CTestsPage::OnColumnClick(int column) {
  sort.Click(column);
  sort.Apply(*m_list, dates, tests);
}

// ---------------------------------------------------------------------------------------------
// SAVE and DELETE

void CTestsPage::OnSave() {
  const uint32_t id = RecordIdOf(m_list->GetSelectedRow());
  // A read-only test is never written, whatever reached this handler.
  if (m_list->GetItemCount() == 0 || id == 0 || readOnly != 0) {
    return;
  }
  resultText = m_result->toPlainText();
  if (!StoreResult(id, resultText)) {
    // A database failure was shown by the store; a test that is gone is told here.
    CDBTest test;
    if (!ReadTest(id, test)) {
      vs_tests_widgets::ReportFailure(ids::kTestSaveFailed);
    }
    return;  // SAVE stays enabled: the result is not stored
  }
  m_save->setEnabled(false);
}

void CTestsPage::OnDelete() {
  const int row = m_list->GetSelectedRow();
  const uint32_t id = RecordIdOf(row);
  if (m_list->GetItemCount() == 0 || id == 0 || readOnly != 0) {
    return;
  }
  if (!vs_tests_widgets::ConfirmDelete(ids::kAskDeleteTest)) {
    return;
  }
  if (!DeleteTest(id)) {
    vs_tests_widgets::ReportFailure(ids::kTestDeleteFailed);
    return;
  }
  reloading = true;
  m_list->DeleteItem(row);
  reloading = false;
  m_save->setEnabled(false);
  const int count = m_list->GetItemCount();
  if (count > 0) {
    // The test that took the deleted one's place, or the new last one.
    SelectAndShow(qMin(row, count - 1));
    return;
  }
  resultText.clear();
  SetResultText(resultText);
  ApplySelectionState(false);
}
