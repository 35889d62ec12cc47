#pragma once

#include <QString>
#include <vector>

#include "common/CListItem.h"
#include "notes/CHPPage.h"

class CBaseListCtrl;
class CPictureButton;

// "ROS", the review of systems of the H&P sheet: one row per system of the auto-text list
// "System", each answered "--" (not asked), "No" or "Yes". EDITLIST edits that list; the answers
// already given stay with the systems that remain.
class CHPROSPage : public CHPPage {
  Q_OBJECT

 public:
  CHPROSPage(IPageHost& host, QWidget* parent = nullptr);

  // Takes every answered system into rosText, one "System: answer" line each.
  bool OnKillActive() override;
  // EDITLIST: the editor of the list of systems; after its SAVE the rows are made again.
  void OnEditList();
  // Makes one row per system of the stored list, each keeping the answer that the row of the
  // same system shows. Without a stored list the rows stay as they are.
  void FillRows();

  // The controls, made when the page is first shown (null before).
  CBaseListCtrl* List() const { return m_list; }
  CPictureButton* EditListButton() const { return m_editList; }

  std::vector<CListItem> rows;
  QString rosText;

 protected:
  void OnInitPage() override;

 private:
  // The answer shown for system, "--" when no row shows it.
  QString AnswerShown(const QString& system) const;

  CBaseListCtrl* m_list = nullptr;
  CPictureButton* m_editList = nullptr;
};
