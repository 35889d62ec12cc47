#include "notes/CNoteSheet.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "common/ui/WindowRoom.h"
#include "notes/CNoteSheetPage.h"

CNoteSheet::CNoteSheet(const QString& caption, QWidget* parent)
    : QDialog(parent), m_stack(new QStackedWidget(this)), m_tabs(new QTabBar(this)) {
  setWindowTitle(caption);
  m_tabs->setObjectName(QStringLiteral("sheetTabs"));
  m_tabs->setShape(QTabBar::RoundedSouth);
  m_tabs->setExpanding(false);
  m_tabs->setDrawBase(true);
  m_tabs->setAccessibleName(strings::Load(ids::kNotePagesName));
  accessibility::NameScrollArrows(*m_tabs);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_stack, 1);
  layout->addWidget(m_tabs);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  connect(m_tabs, &QTabBar::currentChanged, this, &CNoteSheet::OnTabChanged);
}

CNoteSheet::~CNoteSheet() = default;

void CNoteSheet::AddPage(CNoteSheetPage* page) {
  page->m_sheet = this;
  m_pages.push_back(page);
  m_stack->addWidget(page);
  const QSignalBlocker blocker(m_tabs);
  m_tabs->addTab(page->Title());
  m_tabs->setCurrentIndex(m_current);
}

int CNoteSheet::DoModal() {
  if (m_current < 0 && !m_pages.empty()) {
    SetActivePage(0);
  }
  return ui_seams::RunModal(*this);
}

CNoteSheetPage* CNoteSheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

bool CNoteSheet::SetActivePage(int index) {
  CNoteSheetPage* next = GetPage(index);
  if (next == nullptr) {
    return false;
  }
  if (CNoteSheetPage* shown = GetPage(m_current); shown != nullptr && shown != next) {
    if (!shown->OnKillActive()) {
      const QSignalBlocker blocker(m_tabs);
      m_tabs->setCurrentIndex(m_current);
      return false;
    }
  }
  m_current = index;
  {
    const QSignalBlocker blocker(m_tabs);
    m_tabs->setCurrentIndex(index);
  }
  next->EnsureCreated();
  m_stack->setCurrentWidget(next);
  next->FitToInputPanel();
  next->OnSetActive();
  return true;
}

void CNoteSheet::OnTabChanged(int index) {
  SetActivePage(index);
}

void CNoteSheet::EndSheet(int result) {
  done(result);
}

bool CNoteSheet::event(QEvent* event) {
  if (event->type() == input_panel::SettingChangeEvent::EventType()) {
    for (CNoteSheetPage* page : m_pages) {
      if (page->IsCreated()) {
        page->FitToInputPanel();
      }
    }
    return true;
  }
  return QDialog::event(event);
}

void CNoteSheet::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
