#include "notes/CMarkedRecordList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

#include "common/StringIds.h"
#include "common/StringTable.h"

CMarkedRecordList::CMarkedRecordList(int nameHeadingId, int nameId, QWidget* parent)
    : CBaseListCtrl(parent) {
  setAccessibleName(strings::Load(nameId));
  InsertColumn(kDateColumn, strings::Load(ids::kColumnDate), 0);
  InsertColumn(kNameColumn, strings::Load(nameHeadingId), 0);
  SetExtendedStyle(kFullRowSelect);
  // The person changes the selection only through the marks.
  setSelectionMode(QAbstractItemView::NoSelection);
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionClicked, this, &CMarkedRecordList::SortByColumn);
  connect(this, &QTreeWidget::itemClicked, this, &CMarkedRecordList::OnTapped);
  // Put back once the change is over: an item records its own selected state only after the
  // selection it changed has told its listeners.
  connect(this, &QTreeWidget::itemSelectionChanged, this, &CMarkedRecordList::OnSelectionChanged,
          Qt::QueuedConnection);
}

int CMarkedRecordList::IndexOf(int row) const {
  if (row < 0 || row >= GetItemCount()) {
    return -1;
  }
  const uint32_t index = GetItemData(row);
  return index < marks.size() ? static_cast<int>(index) : -1;
}

bool CMarkedRecordList::IsMarked(int row) const {
  const int index = IndexOf(row);
  return index >= 0 && marks[static_cast<size_t>(index)] != 0;
}

void CMarkedRecordList::Populate(const std::function<void()>& fill) {
  populating = true;
  fill();
  populating = false;
  marks.resize(ids.size(), 0);
  ShowMarks();
}

void CMarkedRecordList::ShowMarks() {
  const QSignalBlocker blocker(this);
  for (int row = 0; row < GetItemCount(); ++row) {
    topLevelItem(row)->setSelected(IsMarked(row));
  }
  viewport()->update();
}

void CMarkedRecordList::ToggleMark(int row) {
  const int index = IndexOf(row);
  if (index < 0) {
    return;
  }
  uint8_t& mark = marks[static_cast<size_t>(index)];
  mark = mark != 0 ? 0 : 1;
  ShowMarks();
}

std::vector<uint32_t> CMarkedRecordList::MarkedIds() const {
  std::vector<uint32_t> marked;
  for (int row = 0; row < GetItemCount(); ++row) {
    const int index = IndexOf(row);
    if (index >= 0 && marks[static_cast<size_t>(index)] != 0 &&
        static_cast<size_t>(index) < ids.size()) {
      marked.push_back(ids[static_cast<size_t>(index)]);
    }
  }
  return marked;
}

void CMarkedRecordList::SortByColumn(int column) {
  if (column != kDateColumn && column != kNameColumn) {
    return;
  }
  sortAscending = column == sortColumn ? !sortAscending : true;
  sortColumn = column;
  const std::vector<QString>& keys = column == kDateColumn ? dates : names;
  const auto key = [this, &keys](int row) {
    const uint32_t index = GetItemData(row);
    return index < keys.size() ? keys[index] : QString();
  };
  // QString's order is that of the UTF-16 code units.
  SortRows(
      [this, &key](int a, int b) { return sortAscending ? key(a) < key(b) : key(b) < key(a); });
  ShowMarks();
}

void CMarkedRecordList::OnTapped(QTreeWidgetItem* item) {
  ToggleMark(indexOfTopLevelItem(item));
}

void CMarkedRecordList::OnSelectionChanged() {
  if (!populating) {
    ShowMarks();
  }
}

void CMarkedRecordList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && currentItem() != nullptr) {
    ToggleMark(indexOfTopLevelItem(currentItem()));
    event->accept();
    return;
  }
  CBaseListCtrl::keyPressEvent(event);
}

void CMarkedRecordList::resizeEvent(QResizeEvent* event) {
  CBaseListCtrl::resizeEvent(event);
  FitColumns();
}

void CMarkedRecordList::FitColumns() {
  const int w = width();
  SetColumnWidth(kDateColumn, qMax(0, 3 * w / 5 - 10));
  SetColumnWidth(kNameColumn, qMax(0, 2 * w / 5 - 15));
}
