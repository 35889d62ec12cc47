#pragma once

#include <QString>
#include <cstdint>

#include "common/ui/CTabPage.h"

class IPageHost;
class IShell;
class QKeyEvent;
class QTreeWidget;

// Base of every chart page: remembers the record that GetSelectedRecord reports, keeps Enter and
// Escape from closing whatever holds the page (a multi-line box still takes Enter, since it
// handles the key before the page sees it), and reaches the strip that holds it through the page
// contract (IPageHost), never the application itself.
class CPatientTabPage : public CTabPage {
  Q_OBJECT

 public:
  explicit CPatientTabPage(int dialogId, QWidget* parent = nullptr);

  bool GetSelectedRecord(int& type, uint32_t& recordId) override;

  // Text of column 0 of the selected row and its index; empty and -1 when none is selected.
  static QString SelectedRowText(const QTreeWidget& list, int& index);

  // The strip this page belongs to; the strip sets it when it makes the page (a test, its fake).
  void SetHost(IPageHost* host) { m_host = host; }
  IPageHost* Host() const { return m_host; }
  // The host's current patient; empty while the page has no host or no patient is selected.
  QString CurrentPatient() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

  uint8_t m_recordType = 0;
  uint32_t m_recordId = 0;  // 0 = no record selected

 private:
  IPageHost* m_host = nullptr;
};
