#include "chart/CTestsPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/WindowRoom.h"
#include "store/CDBTest.h"

namespace {

constexpr int kListHeight = 180;

}  // namespace

CTestsPage::CTestsPage(CVSTestsPage& container)
    : CVsTestsSubPage(CDBTest::kRecordType, container),
      m_list(new CBaseListCtrl(this)),
      m_rows(*m_list) {
  MakeRecordButtons(RecordButtons::kSaveAndDelete);
  m_result = new QPlainTextEdit(this);
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
  for (CPictureButton* button : {SaveButton(), NoSaveButton(), DeleteButton(), NoDeleteButton()}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(m_list, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  SetPageMargins(*layout);
  layout->addLayout(top, 1);
  layout->addWidget(m_result, 1);

  ApplySelectionState(false);

  connect(SaveButton(), &QAbstractButton::clicked, this, &CTestsPage::OnSave);
  connect(DeleteButton(), &QAbstractButton::clicked, this, &CTestsPage::OnDelete);
  connect(m_list->header(), &QHeaderView::sectionClicked, this, &CTestsPage::OnColumnClick);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CTestsPage::OnListItemChanged);
  connect(m_result, &QPlainTextEdit::textChanged, this, &CTestsPage::OnResultChanged);
}

// ---------------------------------------------------------------------------------------------
// Reloading and showing a test

void CTestsPage::Refill(uint32_t kept) {
  {
    const QScopedValueRollback reloading(m_reloading, true);
    SetResultText(QString());
    ApplySelectionState(false);
    m_rows.FillTests(Patient());
    // The store's order, until the next click on a heading.
    m_list->header()->setSortIndicatorShown(false);
  }
  const int row = kept != 0 ? m_rows.RowOf(kept) : -1;
  if (row >= 0) {
    SelectAndShow(row);
  } else if (m_list->GetItemCount() > 0) {
    SelectAndShow(0);
  }
}

uint32_t CTestsPage::SelectedRecordId() const {
  return m_rows.RecordIdOf(m_list->GetSelectedRow());
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
  if (!m_reloading && row >= 0) {
    ShowRow(row);
  } else {
    ApplySelectionState(false);
  }
}

void CTestsPage::ShowRow(int row) {
  ApplySelectionState(true);
  CDBTest test;
  test.LoadByCEOID(m_rows.RecordIdOf(row));
  SetResultText(test.result);
  ApplyReadOnly(test.accessState);
}

void CTestsPage::ApplySelectionState(bool selected) {
  if (!selected) {
    ApplyReadOnly(0);
  }
  m_recordId = selected ? SelectedRecordId() : 0;
  SaveButton()->setEnabled(false);
  DeleteButton()->setEnabled(selected);
}

void CTestsPage::ApplyReadOnly(int state) {
  ShowAccessState(state);
  m_result->setReadOnly(state != 0);
}

void CTestsPage::SetResultText(const QString& text) {
  {
    const QSignalBlocker blocker(m_result);
    m_result->setPlainText(text);
  }
  UpdateSize();
}

void CTestsPage::UpdateSize() {
  // The result box has no minimum of its own beyond its two lines of text.
  window_room::FitListAndBox(*m_list, kListHeight, *m_result, 0, height());
}

void CTestsPage::OnResultChanged() {
  UpdateSize();
  // Only a shown test that can be written has anything to save.
  if (ReadOnlyState() == 0 && m_recordId != 0) {
    SaveButton()->setEnabled(true);
  }
}

void CTestsPage::OnColumnClick(int column) {
  m_rows.ClickHeading(column);
  m_rows.ApplySort();
}

// ---------------------------------------------------------------------------------------------
// SAVE and DELETE

void CTestsPage::OnSave() {
  const uint32_t id = SelectedRecordId();
  // A read-only test is never written, whatever reached this handler.
  if (id == 0 || ReadOnlyState() != 0) {
    return;
  }
  if (!CDBTest().UpdateResult(id, m_result->toPlainText())) {
    // A database failure was shown by the store; a test that is gone is told here.
    CDBTest test;
    if (!test.LoadByCEOID(id)) {
      vs_tests_widgets::ReportFailure(ids::kTestSaveFailed);
    }
    return;  // SAVE stays enabled: the result is not stored
  }
  SaveButton()->setEnabled(false);
}

void CTestsPage::OnRecordDeleted(uint32_t recordId) {
  const int row = m_rows.RowOf(recordId);
  {
    const QScopedValueRollback reloading(m_reloading, true);
    m_list->DeleteItem(row);
  }
  SaveButton()->setEnabled(false);
  const int count = m_list->GetItemCount();
  if (count > 0) {
    // The test that took the deleted one's place, or the new last one.
    SelectAndShow(qMin(row, count - 1));
    return;
  }
  SetResultText(QString());
  ApplySelectionState(false);
}
