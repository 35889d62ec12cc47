#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "patients/CPatientListPage.h"

class IPageHost;

// The patient list of the two checkout dialogs (beaming and printing several patients): the
// patients of one type with columns "Patient", "MR#" and "Rm#", in which the user marks any number
// of rows. A tap on a row (or Space on the focused row) flips its mark; the list's selection
// always shows exactly the marked rows, whatever else tries to change it.
class CCheckoutPatientList : public CPatientListCtrl {
  Q_OBJECT

 public:
  explicit CCheckoutPatientList(QWidget* parent = nullptr);

  // The type that the patient list page shows ("" for every type), which the checkout dialogs
  // offer.
  static QString ShownType(IPageHost& host);

  // Fills the list with the patients of type ("" = every type), none marked.
  void Fill(const QString& type);
  // Flips the mark of a row.
  void ToggleMark(int row);
  bool IsMarked(int row) const;
  // The marked patients' names, from the top row down.
  std::vector<QString> MarkedNames() const;
  int MarkedCount() const;
  // Sorts the rows by a column's text, case-sensitively; the same column again reverses.
  void SortByColumn(int column);

 signals:
  // The marks changed: the number of marked rows.
  void marksChanged(int marked);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Puts every row's selected state back to its mark.
  void ShowMarks();
  void SizeColumns();
  // The patient index of a row (its item data), within the arrays.
  uint32_t IndexOf(int row) const;

  std::vector<CDBPatient::PatientRow> m_rows;
  // One per patient, by patient index: 1 = marked.
  std::vector<uint8_t> m_marks;
  bool m_populating = false;
  int m_sortColumn = -1;
  bool m_sortAscending = true;
};
