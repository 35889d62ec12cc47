#pragma once

#include "common/ui/CBaseListCtrl.h"

// The editable two-column row list of a note page (the examination, the history): a label column
// a third of the list's width w wide and a value column of 2 × (w/3 − 9), whole-row selection.
class CNoteRowList : public CBaseListCtrl {
  Q_OBJECT

 public:
  CNoteRowList(int labelHeadingId, QWidget* parent = nullptr);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};
