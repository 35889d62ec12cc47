#pragma once

#include <QString>
#include <vector>

#include "common/CListItem.h"
#include "notes/CHPPage.h"

class CDBPatient;
class CNoteRowList;
class CPictureButton;

// "History", the first page of the H&P sheet: the chief complaint, the history of present
// illness, whether the patient's medications go into the note, the allergies and the medical,
// surgical, family and social history, one row each. ADDMED adds a medication to the chart at
// once; the (+) and (-) buttons type a finding's sign into the open row.
class CHPHistoryPage : public CHPPage {
  Q_OBJECT

 public:
  enum Row : int {
    kCcRow = 0,
    kHpiRow,
    kUseMedsRow,
    kAllergiesRow,
    kPmhRow,
    kPshRow,
    kFhRow,
    kShRow,
    kRowCount,
  };

  CHPHistoryPage(IPageHost& host, QWidget* parent = nullptr);

  // Ends any in-place edit and takes the rows into historyText: "label:", the value and an empty
  // line for each row with a value, and the "Medications:" block in place of "Use Meds" when it
  // is "Yes".
  bool OnKillActive() override;
  // ADDMED: "Add Meds" for the current patient; a medication entered there is stored at once and
  // the "Meds/Rx" page reloaded. The history itself does not change.
  void OnAddMed();

  // The controls, made when the page is first shown (null before).
  CNoteRowList* List() const { return m_list; }
  CPictureButton* InsPlusButton() const { return m_insPlus; }
  CPictureButton* InsMinusButton() const { return m_insMinus; }
  CPictureButton* AddMedButton() const { return m_addMed; }

  std::vector<CListItem> rows;
  QString historyText;

 protected:
  void OnInitPage() override;

 private:
  // Offers the patient's opening sentence in the HPI row's pick list, and none when the patient
  // could not be found (null).
  static void OfferHpiSentence(const CDBPatient* patient);
  QString HistoryText() const;

  CNoteRowList* m_list = nullptr;
  CPictureButton* m_insPlus = nullptr;
  CPictureButton* m_insMinus = nullptr;
  CPictureButton* m_addMed = nullptr;
};
