#include "notes/CNoteRowList.h"

#include "common/StringIds.h"
#include "common/StringTable.h"

CNoteRowList::CNoteRowList(int labelHeadingId, QWidget* parent) : CBaseListCtrl(parent) {
  InsertColumn(kLabelColumn, strings::Load(labelHeadingId), 0);
  InsertColumn(kValueColumn, strings::Load(ids::kColumnValue), 0);
  SetExtendedStyle(kFullRowSelect);
}

void CNoteRowList::resizeEvent(QResizeEvent* event) {
  CBaseListCtrl::resizeEvent(event);
  const int third = width() / 3;
  SetColumnWidth(kLabelColumn, third);
  SetColumnWidth(kValueColumn, qMax(0, 2 * (third - 9)));
}
