#pragma once

#include <QString>
#include <vector>

#include "common/CListItem.h"
#include "notes/CNoteSheetPage.h"

class CNoteRowList;
class CPictureButton;

// "PE", the physical-examination page of both note sheets: one row per body system, each a
// multi-line value with that system's pick list, and the (+) and (-) buttons that type a finding's
// sign into the open row.
class CPEPage : public CNoteSheetPage {
  Q_OBJECT

 public:
  // The rows, in order: General, HEENT, Lungs, Cardiovascular, Abdomen, Genitourinary,
  // Extremities, Neurologic.
  static constexpr int kRowCount = 8;

  explicit CPEPage(int titleId, QWidget* parent = nullptr);

  // Ends any in-place edit and takes the rows with a value into peText, one "label: value" line
  // each.
  bool OnKillActive() override;

  // The controls, made when the page is first shown (null before).
  CNoteRowList* List() const { return m_list; }
  CPictureButton* InsPlusButton() const { return m_insPlus; }
  CPictureButton* InsMinusButton() const { return m_insMinus; }

  std::vector<CListItem> rows;
  QString peText;

 protected:
  void OnInitPage() override;

 private:
  CNoteRowList* m_list = nullptr;
  CPictureButton* m_insPlus = nullptr;
  CPictureButton* m_insMinus = nullptr;
};
