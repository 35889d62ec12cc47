#include "notes/CNoteRowList.h"

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/WindowRoom.h"

CNoteRowList::CNoteRowList(int labelHeadingId, QWidget* parent) : CBaseListCtrl(parent) {
  InsertColumn(kLabelColumn, strings::Load(labelHeadingId), 0);
  InsertColumn(kValueColumn, strings::Load(ids::kColumnValue), 0);
  SetExtendedStyle(kFullRowSelect);
}

void CNoteRowList::resizeEvent(QResizeEvent* event) {
  CBaseListCtrl::resizeEvent(event);
  // A third for the labels at the hand-held size; above it the labels' longest width.
  const int third = width() / 3;
  const int label = window_room::IsHandHeld() ? third : qMin(LabelColumnWidth(), width() / 2);
  SetColumnWidth(kLabelColumn, label);
  SetColumnWidth(kValueColumn, window_room::IsHandHeld() ? qMax(0, 2 * (third - 9))
                                                         : qMax(0, width() - label - 18));
}
