#include "chart/CLabsPage.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
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
#include "shell/CPageSplitter.h"
#include "store/CDBLabValues.h"

namespace {

// The upper list's height at the hand-held size.
constexpr int kUpperHeight = 180;
// Where the person left the line between the two lists, in the user's options.
constexpr const char* kSplitValue = "Labs Split";
// The selected results' list shows at least this many rows before the upper list grows.
constexpr int kLowerRows = 3;
// The lower column is never narrower than this.
constexpr int kNarrowestSummary = 10;

}  // namespace

CLabsPage::CLabsPage(CVSTestsPage& container)
    : CVsTestsSubPage(CDBLabValues::kRecordType, container),
      m_upper(new CBaseListCtrl(this)),
      m_lower(new CBaseListCtrl(this)),
      m_splitter(new CPageSplitter(QString::fromLatin1(kSplitValue), kUpperHeight,
                                   strings::Load(ids::kLabsSplitterName), this)),
      m_open(vs_tests_widgets::MakeButton(ids::kPictureOpen, ids::kOpenName, this)),
      m_rows(*m_upper) {
  MakeRecordButtons(RecordButtons::kDelete);
  m_select = vs_tests_widgets::MakeButton(ids::kPictureSelect, ids::kSelectName, this);
  m_clear = vs_tests_widgets::MakeButton(ids::kPictureClear, ids::kClearName, this);
  m_upper->setObjectName(QStringLiteral("labList"));
  m_upper->setAccessibleName(strings::Load(ids::kLabListName));
  m_upper->SetExtendedStyle(CBaseListCtrl::kFullRowSelect);
  // The highlight shows the marks, which only taps change.
  m_upper->setSelectionMode(QAbstractItemView::NoSelection);
  m_upper->InsertColumn(0, strings::Load(ids::kColumnDate), 0);
  m_upper->InsertColumn(1, strings::Load(ids::kColumnLab), 0);
  m_upper->header()->setSectionsClickable(true);
  m_upper->installEventFilter(this);
  vs_tests_widgets::ColumnShares::Install(m_upper, vs_tests_widgets::ColumnShares::kHalves, 0, 5);

  m_lower->setObjectName(QStringLiteral("shownList"));
  m_lower->setAccessibleName(strings::Load(ids::kShownLabsListName));
  m_lower->SetExtendedStyle(CBaseListCtrl::kFullRowSelect | CBaseListCtrl::kNoColumnHeader);
  m_lower->setColumnCount(1);
  m_lower->header()->setMinimumSectionSize(kNarrowestSummary);
  m_lower->InsertColumn(0, QString(), qMax(kNarrowestSummary, m_lower->width() - 5));
  m_lower->setWordWrap(false);

  m_splitter->SetLists(m_upper, m_lower);
  m_splitter->SetLowerContentHeight([this] { return LowerContentHeight(); });
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(4);
  for (CPictureButton* button : {m_open, DeleteButton(), NoDeleteButton(), m_select, m_clear}) {
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  SetPageMargins(*layout);
  layout->addWidget(m_splitter, 1);
  // Tab reaches the line between the lists in reading order.
  setTabOrder(m_upper, m_splitter->handle(1));
  setTabOrder(m_splitter->handle(1), m_lower);
  layout->addLayout(buttons);

  NoDeleteButton()->hide();
  ApplySelectionState(false);
  UpdateSelect();
  UpdateClear();

  connect(m_open, &QAbstractButton::clicked, this, &CLabsPage::OnOpen);
  connect(DeleteButton(), &QAbstractButton::clicked, this, &CLabsPage::OnDelete);
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
// Rows

int CLabsPage::FocusedRow() const {
  QTreeWidgetItem* focused = m_upper->currentItem();
  return focused != nullptr ? m_upper->indexOfTopLevelItem(focused) : -1;
}

bool CLabsPage::IsMarked(int row) const {
  const DatedEntry* entry = m_rows.EntryOf(row);
  return entry != nullptr && entry->marked;
}

void CLabsPage::SetHighlight(int row, bool highlighted) {
  if (QTreeWidgetItem* item = m_upper->topLevelItem(row)) {
    item->setSelected(highlighted);
  }
}

// ---------------------------------------------------------------------------------------------
// Reloading

void CLabsPage::Refill(uint32_t kept) {
  const std::vector<uint32_t> keptMarks = m_markedIds;
  int row = -1;
  {
    const QScopedValueRollback reloading(m_reloading, true);
    m_lower->DeleteAllItems();
    UpdateClear();
    m_rows.FillLabs(Patient());
    m_markedIds = keptMarks;
    m_recordId = kept;
    ReapplyMarks();
    row = m_recordId != 0 ? m_rows.RowOf(m_recordId) : -1;
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
  }
  if (row >= 0) {
    ShowAccessOf(row);
  }
  SortUpperList();
}

void CLabsPage::ReapplyMarks() {
  for (const uint32_t id : m_markedIds) {
    const int row = m_rows.RowOf(id);
    if (row >= 0) {
      m_rows.EntryOf(row)->marked = true;
      SetHighlight(row, true);
    }
  }
  UpdateSelect();
}

uint32_t CLabsPage::SelectedRecordId() const {
  const int row = FocusedRow();
  return m_upper->GetItemCount() > 0 && row >= 0 ? m_rows.RecordIdOf(row) : 0;
}

bool CLabsPage::SelectedIsReadOnly() const {
  const DatedEntry* entry = m_rows.EntryOf(FocusedRow());
  return entry != nullptr && entry->accessState != 0;
}

// ---------------------------------------------------------------------------------------------
// Focus, marks and the buttons

void CLabsPage::ApplySelectionState(bool focused) {
  if (!focused) {
    ShowAccessState(0);
  }
  m_open->setEnabled(focused);
  DeleteButton()->setEnabled(focused);
  m_recordId = focused ? SelectedRecordId() : 0;
}

void CLabsPage::ShowAccessOf(int row) {
  const DatedEntry* entry = m_rows.EntryOf(row);
  ShowAccessState(entry != nullptr ? entry->accessState : 0);
}

void CLabsPage::OnUpperItemChanged(int row) {
  if (m_reloading) {
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
  DatedEntry* entry = m_rows.EntryOf(row);
  if (entry == nullptr) {
    return;
  }
  entry->marked = !entry->marked;
  if (entry->marked) {
    m_markedIds.push_back(entry->recordId);
  } else {
    std::erase(m_markedIds, entry->recordId);
  }
  UpdateSelect();
  SetHighlight(row, entry->marked);
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
  m_rows.ClickHeading(column);
  SortUpperList();
}

void CLabsPage::SortUpperList() {
  m_rows.ApplySort();
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
  m_shownIds.clear();
  for (int row = 0; row < m_upper->GetItemCount(); ++row) {
    if (m_upper->topLevelItem(row)->isSelected()) {
      m_shownIds.push_back(m_rows.RecordIdOf(row));
    }
  }
  RebuildLowerList();
}

void CLabsPage::OnClear() {
  m_shownIds.clear();
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
  for (auto it = m_shownIds.begin(); it != m_shownIds.end();) {
    CDBLabValues result;
    if (m_rows.RowOf(*it) < 0 || !result.LoadByCEOID(*it)) {
      it = m_shownIds.erase(it);  // deleted meanwhile: it drops out
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
  m_splitter->ContentChanged();
}

int CLabsPage::LowerContentHeight() const {
  const int row = m_lower->GetItemCount() > 0
                      ? m_lower->visualItemRect(m_lower->topLevelItem(0)).height()
                      : m_lower->fontMetrics().height() + 4;
  const int rows = qMax(kLowerRows, m_lower->GetItemCount());
  return rows * qMax(row, m_lower->fontMetrics().height()) + 2 * m_lower->frameWidth();
}

// ---------------------------------------------------------------------------------------------
// OPEN and DELETE

void CLabsPage::OnOpen() {
  const int row = FocusedRow();
  if (m_upper->GetItemCount() == 0 || row < 0) {
    return;
  }
  OpenResult(m_rows.RecordIdOf(row));
}

void CLabsPage::OnLowerDoubleTap(int row, int /*column*/) {
  if (m_upper->GetItemCount() == 0 || row < 0 || row >= m_lower->GetItemCount()) {
    return;
  }
  OpenResult(m_lower->GetItemData(row));
}

void CLabsPage::OpenResult(uint32_t recordId) {
  CDBLabValues result;
  if (!result.LoadByCEOID(recordId)) {
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
  if (accepted && result.accessState == 0 &&
      !CDBLabValues().UpdateValues(recordId, dialog.packedValues)) {
    vs_tests_widgets::ReportFailure(ids::kLabSaveFailed);
  } else if (accepted && result.accessState == 0) {
    TellPatientDataChanged();
  }
  RebuildLowerList();
}

void CLabsPage::OnRecordDeleted(uint32_t recordId) {
  std::erase(m_markedIds, recordId);
  // No other result becomes the focused one by itself: DELETE and OPEN wait for a tap.
  {
    const QScopedValueRollback reloading(m_reloading, true);
    m_upper->DeleteItem(m_rows.RowOf(recordId));
    m_upper->setCurrentItem(nullptr);
  }
  ApplySelectionState(false);
  UpdateSelect();
  RebuildLowerList();
}
