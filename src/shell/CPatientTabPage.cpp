#include "shell/CPatientTabPage.h"

#include <QKeyEvent>
#include <QTreeWidget>

#include "shell/IPageHost.h"

CPatientTabPage::CPatientTabPage(int dialogId, QWidget* parent) : CTabPage(dialogId, parent) {}

bool CPatientTabPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  type = m_recordType;
  recordId = m_recordId;
  return m_recordId != 0;
}

QString CPatientTabPage::SelectedRowText(const QTreeWidget& list, int& index) {
  const QList<QTreeWidgetItem*> selected = list.selectedItems();
  if (selected.isEmpty()) {
    index = -1;
    return {};
  }
  index = list.indexOfTopLevelItem(selected.first());
  return selected.first()->text(0);
}

QString CPatientTabPage::CurrentPatient() const {
  return m_host != nullptr ? m_host->CurrentPatient() : QString();
}

void CPatientTabPage::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      CTabPage::keyPressEvent(event);
  }
}
