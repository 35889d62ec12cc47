#include "print/CCheckoutPatientList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>

#include "common/CDBPatient.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtension.h"
#include "shell/IPageHost.h"

CCheckoutPatientList::CCheckoutPatientList(QWidget* parent) : CPatientListCtrl(parent) {
  setSelectionMode(QAbstractItemView::MultiSelection);
  setHeaderLabels({strings::Load(ids::kColumnPatient), strings::Load(ids::kColumnMrNumber),
                   strings::Load(ids::kColumnRoom)});
  setAccessibleName(strings::Load(ids::kCheckoutPatientsName));
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CCheckoutPatientList::ShowMarks);
}

QString CCheckoutPatientList::ShownType(IPageHost& host) {
  const auto* list =
      dynamic_cast<const CPatientListPage*>(host.Tabs().GetPage(strings::Load(ids::kTabMain)));
  return list != nullptr ? list->CurrentType() : QString();
}

void CCheckoutPatientList::Fill(const QString& type) {
  {
    const QScopedValueRollback populating(m_populating, true);
    m_rows = CDBPatient().PopulatePatientList(*this, type);
    m_marks.assign(m_rows.size(), 0);
    clearSelection();
  }
  emit marksChanged(0);
}

uint32_t CCheckoutPatientList::IndexOf(int row) const {
  return GetItemData(row);
}

bool CCheckoutPatientList::IsMarked(int row) const {
  const uint32_t index = IndexOf(row);
  return row >= 0 && row < GetItemCount() && index < m_marks.size() && m_marks[index] != 0;
}

void CCheckoutPatientList::ToggleMark(int row) {
  const uint32_t index = IndexOf(row);
  if (row < 0 || row >= GetItemCount() || index >= m_marks.size()) {
    return;
  }
  m_marks[index] = m_marks[index] != 0 ? 0 : 1;
  setCurrentItem(topLevelItem(row), 0, QItemSelectionModel::NoUpdate);
  ShowMarks();
}

void CCheckoutPatientList::ShowMarks() {
  if (m_populating || m_marks.empty()) {
    return;
  }
  {
    const QSignalBlocker blocker(this);
    for (int row = 0; row < GetItemCount(); ++row) {
      topLevelItem(row)->setSelected(IsMarked(row));
    }
  }
  viewport()->update();
  emit marksChanged(MarkedCount());
}

int CCheckoutPatientList::MarkedCount() const {
  return static_cast<int>(std::count(m_marks.begin(), m_marks.end(), uint8_t{1}));
}

std::vector<QString> CCheckoutPatientList::MarkedNames() const {
  std::vector<QString> names;
  for (int row = 0; row < GetItemCount(); ++row) {
    if (IsMarked(row)) {
      names.push_back(m_rows[IndexOf(row)].name);
    }
  }
  return names;
}

void CCheckoutPatientList::SortByColumn(int column) {
  m_sortAscending = column == m_sortColumn ? !m_sortAscending : true;
  m_sortColumn = column;
  std::vector<QTreeWidgetItem*> items;
  while (topLevelItemCount() > 0) {
    items.push_back(takeTopLevelItem(0));
  }
  // QString orders by UTF-16 code units: letter case counts.
  std::stable_sort(items.begin(), items.end(), [column, this](auto* a, auto* b) {
    return m_sortAscending ? a->text(column) < b->text(column) : b->text(column) < a->text(column);
  });
  for (QTreeWidgetItem* item : items) {
    addTopLevelItem(item);
  }
  ShowMarks();
}

// ---------------------------------------------------------------- taps and keys

void CCheckoutPatientList::mousePressEvent(QMouseEvent* event) {
  // A tap flips the row's mark; a tap outside the rows does nothing. The list's own selection
  // handling is not used: it would unmark other rows.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid()) {
    ToggleMark(index.row());
  }
  setFocus();
  event->accept();
}

void CCheckoutPatientList::mouseMoveEvent(QMouseEvent* event) {
  event->accept();  // no drag selection
}

void CCheckoutPatientList::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
}

void CCheckoutPatientList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second tap of a double tap flips the mark back, as two taps do.
  mousePressEvent(event);
}

void CCheckoutPatientList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Select) {
    ToggleMark(indexOfTopLevelItem(currentItem()));
    event->accept();
    return;
  }
  // Arrow keys move the focus only; the marks stay as they are.
  CPatientListCtrl::keyPressEvent(event);
  ShowMarks();
}

void CCheckoutPatientList::resizeEvent(QResizeEvent* event) {
  CPatientListCtrl::resizeEvent(event);
  SizeColumns();
}

void CCheckoutPatientList::SizeColumns() {
  // "Patient" three fifths of the width less 5 pixels, "MR#" and "Rm#" one fifth each.
  const int w = viewport()->width() > 0 ? viewport()->width() : width();
  setColumnWidth(0, 3 * w / 5 - 5);
  setColumnWidth(1, w / 5);
  setColumnWidth(2, w / 5);
}
