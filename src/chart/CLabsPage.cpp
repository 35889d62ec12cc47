#include "chart/CLabsPage.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "chart/CEditLabResultsDlg.h"
#include "chart/VsTestsWidgets.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "store/CDBLabValues.h"

namespace {

constexpr int kBottomGap = 7;
constexpr int kUpperHeight = 180;
// The lower column is never narrower than this.
constexpr int kNarrowestSummary = 10;

}  // namespace

CLabsPage::CLabsPage(CVSTestsPage& container)
    : CVsTestsSubPage(kDialogId, container),
      m_upper(new CBaseListCtrl(this)),
      m_lower(new CBaseListCtrl(this)),
      m_open(vs_tests_widgets::MakeButton(ids::kPictureOpen, ids::kOpenName, this)),
      m_delete(vs_tests_widgets::MakeButton(ids::kPictureDelete, ids::kButtonDelete, this)),
      m_noDelete(vs_tests_widgets::MakeButton(ids::kPictureNoDelete, ids::kNoDeleteName, this)),
      m_select(vs_tests_widgets::MakeButton(ids::kPictureSelect, ids::kSelectName, this)),
      m_clear(vs_tests_widgets::MakeButton(ids::kPictureClear, ids::kClearName, this)) {
  m_recordType = CDBLabValues::kRecordType;
  m_upper->setObjectName(QStringLiteral("labList"));
  m_upper->setAccessibleName(strings::Load(ids::kLabListName));
  m_upper->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  // The highlight shows the marks, which only taps change.
  m_upper->setSelectionMode(QAbstractItemView::NoSelection);
  m_upper->InsertColumn(0, strings::Load(ids::kColumnDate), 0);
  m_upper->InsertColumn(1, strings::Load(ids::kColumnLab), 0);
  m_upper->header()->setSectionsClickable(true);
  m_upper->setFixedHeight(kUpperHeight);
  m_upper->installEventFilter(this);
  vs_tests_widgets::ColumnShares::Install(m_upper, vs_tests_widgets::ColumnShares::kHalves, 0, 5);

  m_lower->setObjectName(QStringLiteral("shownList"));
  m_lower->setAccessibleName(strings::Load(ids::kShownLabsListName));
  m_lower->SetExtendedStyle(CBaseListCtrl::kFullRowSelect | CBaseListCtrl::kNoColumnHeader);
  m_lower->setColumnCount(1);
  m_lower->header()->setMinimumSectionSize(kNarrowestSummary);
  m_lower->InsertColumn(0, QString(), qMax(kNarrowestSummary, m_lower->width() - 5));
  m_lower->setWordWrap(false);

  auto* lists = new QVBoxLayout;
  lists->setSpacing(4);
  lists->addWidget(m_upper);
  lists->addWidget(m_lower, 1);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(4);
  for (CPictureButton* button : {m_open, m_delete, m_noDelete, m_select, m_clear}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, kBottomGap);
  layout->setSpacing(4);
  layout->addLayout(lists, 1);
  layout->addLayout(buttons);

  m_noDelete->hide();
  ApplySelectionState(false);
  UpdateSelect();
  UpdateClear();

  connect(m_open, &QAbstractButton::clicked, this, &CLabsPage::OnOpen);
  connect(m_delete, &QAbstractButton::clicked, this, &CLabsPage::OnDelete);
  connect(m_select, &QAbstractButton::clicked, this, &CLabsPage::OnSelect);
  connect(m_clear, &QAbstractButton::clicked, this, &CLabsPage::OnClear);
  connect(m_upper->header(), &QHeaderView::sectionClicked, this, &CLabsPage::OnColumnClick);
  connect(m_upper, &CBaseListCtrl::currentRowChanged, this, &CLabsPage::OnUpperItemChanged);
  connect(m_upper, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { OnRowTapped(m_upper->indexOfTopLevelItem(item)); });
  connect(m_lower, &CBaseListCtrl::rowDoubleClicked, this, &CLabsPage::OnLowerDoubleTap);
  connect(m_lower, &CBaseListCtrl::rowActivated, this,
          [this](int row) { OnLowerDoubleTap(row, 0); });
}

// ---------------------------------------------------------------------------------------------
// Data

void CLabsPage::FillUpperList() {
  const QString patient = Patient();
  if (patient.isEmpty()) {
    // Nobody's results: the store is not walked for an empty name.
    m_upper->DeleteAllItems();
    dates.clear();
    groups.clear();
    ids.clear();
    changed.clear();
    accessStates.clear();
    return;
  }
  CDBLabValues().FillList(*m_upper, patient, dates, groups, ids, changed, accessStates, true);
}

bool CLabsPage::ReadResult(uint32_t recordId, CDBLabValues& result) {
  return result.LoadByCEOID(recordId);
}

bool CLabsPage::StoreValues(uint32_t recordId, const QString& values) {
  return CDBLabValues().UpdateValues(recordId, values);
}

bool CLabsPage::DeleteResult(uint32_t recordId) {
  return CDBLabValues().DeleteByCEOID(recordId);
}

// ---------------------------------------------------------------------------------------------
// Rows

size_t CLabsPage::EntryOf(int row) const {
  return m_upper->GetItemData(row);
}

uint32_t CLabsPage::RecordIdOf(int row) const {
  const size_t entry = EntryOf(row);
  return row >= 0 && entry < ids.size() ? ids[entry] : 0;
}

int CLabsPage::RowOf(uint32_t recordId) const {
  for (int row = 0; row < m_upper->GetItemCount(); ++row) {
    if (RecordIdOf(row) == recordId) {
      return row;
    }
  }
  return -1;
}

int CLabsPage::FocusedRow() const {
  QTreeWidgetItem* focused = m_upper->currentItem();
  return focused != nullptr ? m_upper->indexOfTopLevelItem(focused) : -1;
}

bool CLabsPage::IsMarked(int row) const {
  const size_t entry = EntryOf(row);
  return row >= 0 && row < m_upper->GetItemCount() && entry < changed.size() && changed[entry] != 0;
}

void CLabsPage::SetHighlight(int row, bool highlighted) {
  if (QTreeWidgetItem* item = m_upper->topLevelItem(row)) {
    item->setSelected(highlighted);
  }
}

// ---------------------------------------------------------------------------------------------
// Reloading

bool CLabsPage::OnSetActive() {
  CVsTestsSubPage::OnSetActive();
  const uint32_t kept = m_recordId;
  const std::vector<uint32_t> keptMarks = markedIds;
  reloading = true;
  m_lower->DeleteAllItems();
  UpdateClear();
  FillUpperList();
  markedIds = keptMarks;
  m_recordId = kept;
  ReapplyMarks();
  const int row = m_recordId != 0 ? RowOf(m_recordId) : -1;
  if (row >= 0) {
    m_upper->setCurrentItem(m_upper->topLevelItem(row));
    m_upper->EnsureVisible(row);
  } else {
    m_upper->setCurrentItem(nullptr);
  }
  ApplySelectionState(row >= 0);
  if (row >= 0) {
    // Without a focused result the lower list stays empty until the next SELECT or OPEN.
    RebuildLowerList();
  }
  UpdateSelect();
  reloading = false;
  if (row >= 0) {
    ShowAccessOf(row);
  }
  SortUpperList();
  return true;
}

void CLabsPage::ReapplyMarks() {
  for (const uint32_t id : markedIds) {
    const int row = RowOf(id);
    if (row >= 0) {
      changed[EntryOf(row)] = 1;
      SetHighlight(row, true);
    }
  }
  UpdateSelect();
}

bool CLabsPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = CDBLabValues::kRecordType;
  const int row = FocusedRow();
  recordId = m_upper->GetItemCount() > 0 && row >= 0 ? RecordIdOf(row) : 0;
  return recordId != 0;
}

// ---------------------------------------------------------------------------------------------
// Focus, marks and the buttons

void CLabsPage::ApplySelectionState(bool focused) {
  if (!focused) {
    ShowReadOnlyLabel(false);
    m_delete->show();
    m_noDelete->hide();
  }
  m_open->setEnabled(focused);
  m_delete->setEnabled(focused);
  int type = 0;
  uint32_t id = 0;
  m_recordId = focused && GetSelectedRecord(type, id) ? id : 0;
}

void CLabsPage::ShowAccessOf(int row) {
  const size_t entry = EntryOf(row);
  const bool locked = entry < accessStates.size() && accessStates[entry] != 0;
  ShowReadOnlyLabel(locked);
  m_delete->setVisible(!locked);
  m_noDelete->setVisible(locked);
}

void CLabsPage::OnUpperItemChanged(int row) {
  if (reloading) {
    return;
  }
  if (row >= 0) {
    ApplySelectionState(true);
    ShowAccessOf(row);
    // The list's own highlight never differs from the marks.
    SetHighlight(row, IsMarked(row));
  } else {
    ApplySelectionState(false);
  }
}

void CLabsPage::OnRowTapped(int row) {
  if (row < 0 || row >= m_upper->GetItemCount()) {
    return;
  }
  const size_t entry = EntryOf(row);
  if (entry >= changed.size()) {
    return;
  }
  changed[entry] = changed[entry] != 0 ? 0 : 1;
  const uint32_t id = RecordIdOf(row);
  if (changed[entry] != 0) {
    markedIds.push_back(id);
  } else {
    std::erase(markedIds, id);
  }
  UpdateSelect();
  SetHighlight(row, changed[entry] != 0);
}

void CLabsPage::UpdateSelect() {
  bool anyMarked = false;
  for (int row = 0; row < m_upper->GetItemCount() && !anyMarked; ++row) {
    anyMarked = IsMarked(row);
  }
  m_select->setEnabled(anyMarked);
}

void CLabsPage::UpdateClear() {
  m_clear->setEnabled(m_lower->GetItemCount() > 0);
}

void CLabsPage::OnColumnClick(int column) {
  sort.Click(column);
  SortUpperList();
}

void CLabsPage::SortUpperList() {
  sort.Apply(*m_upper, dates, groups);
  // Moving the rows drops the list's highlight; the marks give it back.
  for (int row = 0; row < m_upper->GetItemCount(); ++row) {
    SetHighlight(row, IsMarked(row));
  }
}

bool CLabsPage::eventFilter(QObject* watched, QEvent* event) {
  // The keyboard marks with Space and opens with Return, as a tap and OPEN do.
  if (watched == m_upper && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space) {
      OnRowTapped(FocusedRow());
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnOpen();
      return true;
    }
  }
  return CVsTestsSubPage::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// The lower list

void CLabsPage::OnSelect() {
  shownIds.clear();
  for (int row = 0; row < m_upper->GetItemCount(); ++row) {
    if (m_upper->topLevelItem(row)->isSelected()) {
      shownIds.push_back(RecordIdOf(row));
    }
  }
  RebuildLowerList();
}

void CLabsPage::OnClear() {
  shownIds.clear();
  m_lower->DeleteAllItems();
  UpdateClear();
}

int CLabsPage::SummaryWidth(const QString& text) const {
  // An item view leaves this margin at both sides of a cell's text.
  const int margin = m_lower->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_lower);
  return m_lower->fontMetrics().horizontalAdvance(text) + 2 * (margin + 1);
}

void CLabsPage::RebuildLowerList() {
  m_lower->DeleteAllItems();
  int width = kNarrowestSummary;
  for (auto it = shownIds.begin(); it != shownIds.end();) {
    CDBLabValues result;
    if (RowOf(*it) < 0 || !ReadResult(*it, result)) {
      it = shownIds.erase(it);  // deleted meanwhile: it drops out
      continue;
    }
    const QString summary = result.FormatResultText();
    const int row = m_lower->InsertItem(m_lower->GetItemCount(), summary);
    m_lower->SetItemData(row, *it);
    width = qMax(width, SummaryWidth(summary));
    ++it;
  }
  m_lower->SetColumnWidth(0, width);
  UpdateClear();
}

// ---------------------------------------------------------------------------------------------
// OPEN and DELETE

void CLabsPage::OnOpen() {
  const int row = FocusedRow();
  if (m_upper->GetItemCount() == 0 || row < 0) {
    return;
  }
  OpenResult(RecordIdOf(row));
}

void CLabsPage::OnLowerDoubleTap(int row, int /*column*/) {
  if (m_upper->GetItemCount() == 0 || row < 0 || row >= m_lower->GetItemCount()) {
    return;
  }
  OpenResult(m_lower->GetItemData(row));
}

void CLabsPage::OpenResult(uint32_t recordId) {
  CDBLabValues result;
  if (!ReadResult(recordId, result)) {
    RebuildLowerList();  // gone meanwhile: nothing to open
    return;
  }
  CEditLabResultsDlg dialog(this);
  dialog.dateText = CDBBaseDatabase::GetFormattedDateTime(result.date, true);
  dialog.labName = result.group;
  dialog.packedValues = result.values;
  dialog.readOnly = result.accessState;
  dialog.UpdateData(false);
  bool accepted = false;
  {
    input_panel::RaisedScope raised;
    accepted = ui_seams::RunModal(dialog) == QDialog::Accepted;
  }
  // A read-only result is never written, whatever the dialog answered.
  if (accepted && result.accessState == 0 && !StoreValues(recordId, dialog.packedValues)) {
    vs_tests_widgets::ReportFailure(ids::kLabSaveFailed);
  } else if (accepted && result.accessState == 0) {
    TellPatientDataChanged();
  }
  RebuildLowerList();
}

void CLabsPage::OnDelete() {
  const int row = FocusedRow();
  if (m_upper->GetItemCount() == 0 || row < 0) {
    return;
  }
  const size_t entry = EntryOf(row);
  if (entry < accessStates.size() && accessStates[entry] != 0) {
    return;  // a read-only result stays, whatever reached this handler
  }
  if (!vs_tests_widgets::ConfirmDelete(ids::kAskDeleteLabResult)) {
    return;
  }
  const uint32_t id = RecordIdOf(row);
  if (!DeleteResult(id)) {
    vs_tests_widgets::ReportFailure(ids::kLabDeleteFailed);
    return;
  }
  TellPatientDataChanged();
  std::erase(markedIds, id);
  // No other result becomes the focused one by itself: DELETE and OPEN wait for a tap.
  reloading = true;
  m_upper->DeleteItem(row);
  m_upper->setCurrentItem(nullptr);
  reloading = false;
  ApplySelectionState(false);
  UpdateSelect();
  RebuildLowerList();
}
