#pragma once

#include <QString>
#include <cstdint>

#include "common/ui/CTabPage.h"

class CPatientTabCtrl;
class QKeyEvent;
class QTreeWidget;

// Base of every chart page: remembers the record that GetSelectedRecord reports, keeps Enter and
// Escape from closing whatever holds the page (a multi-line box still takes Enter, since it
// handles the key before the page sees it), and reaches the tab strip that owns the current
// patient.
class CPatientTabPage : public CTabPage {
  Q_OBJECT

 public:
  explicit CPatientTabPage(int dialogId, QWidget* parent = nullptr);

  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // Text of column 0 of the selected row and its index; empty and -1 when none is selected.
  static QString SelectedRowText(const QTreeWidget& list, int& index);

  // The patient strip this page belongs to (nullptr while it has none).
  CPatientTabCtrl* PatientTabCtrl() const;
  // The strip's current patient; empty when there is none.
  QString CurrentPatient() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

  uint8_t m_recordType = 0;
  uint32_t m_recordId = 0;  // 0 = no record selected
};
