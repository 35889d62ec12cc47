#include "shell/CPageTabCtrl.h"

#include <QResizeEvent>
#include <QSignalBlocker>
#include <QTabBar>

#include "common/ui/Accessibility.h"
#include "common/ui/CTabPage.h"

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QWidget(parent), m_tabBar(new QTabBar(this)) {
  QFont bold = m_tabBar->font();
  bold.setBold(true);
  m_tabBar->setFont(bold);
  m_tabBar->setExpanding(false);
  m_tabBar->setDrawBase(true);
  // Tab reaches the strip (the arrow keys then move between the tabs); a tap leaves the focus
  // where it was.
  m_tabBar->setFocusPolicy(Qt::TabFocus);
  accessibility::NameScrollArrows(*m_tabBar);
  connect(m_tabBar, &QTabBar::currentChanged, this, &CPageTabCtrl::OnTabChanged);
}

CPageTabCtrl::~CPageTabCtrl() = default;

void CPageTabCtrl::AddPage(CTabPage* page, const QString& title) {
  if (page->parentWidget() != this) {
    page->setParent(this);
  }
  page->hide();
  m_pages.push_back(page);
  const QSignalBlocker blocker(m_tabBar);
  m_tabBar->addTab(title);
  m_tabBar->setCurrentIndex(m_curIndex);
  Layout();
}

bool CPageTabCtrl::SelectPage(int index) {
  if (index < 0 || index >= GetPageCount()) {
    return false;
  }
  if (m_curPage != nullptr) {
    m_curPage->OnKillActive();
    m_curPage->hide();
  }
  m_curIndex = index;
  m_curPage = m_pages[static_cast<size_t>(index)];
  {
    const QSignalBlocker blocker(m_tabBar);
    m_tabBar->setCurrentIndex(index);
  }
  m_curPage->show();
  m_curPage->OnSetActive();
  emit pageSelected(index);
  return true;
}

bool CPageTabCtrl::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount() || index == m_curIndex) {
    return false;
  }
  m_pages[static_cast<size_t>(index)]->hide();
  m_pages.erase(m_pages.begin() + index);
  if (index < m_curIndex) {
    --m_curIndex;
  }
  const QSignalBlocker blocker(m_tabBar);
  m_tabBar->removeTab(index);
  m_tabBar->setCurrentIndex(m_curIndex);
  return true;
}

QString CPageTabCtrl::PageTitle(int index) const {
  return m_tabBar->tabText(index);
}

void CPageTabCtrl::Layout() {
  // One row of tabs: the pages sit 5 pixels below it, 2 pixels in from the sides and 3 above the
  // bottom.
  m_tabBar->setGeometry(0, 0, width(), m_tabBar->sizeHint().height());
  const int y = m_tabBar->height() + 5;
  for (CTabPage* page : m_pages) {
    page->setGeometry(2, y, qMax(0, width() - 4), qMax(0, height() - y - 3));
    page->UpdateSize();
  }
}

int CPageTabCtrl::SelectPage(const QString& title) {
  const int index = FindPage(title);
  if (index >= 0) {
    SelectPage(index);
  }
  return index;
}

int CPageTabCtrl::FindPage(const QString& title) {
  for (int i = 0; i < m_tabBar->count(); ++i) {
    if (m_tabBar->tabText(i) == title) {
      return i;
    }
  }
  return -1;
}

CTabPage* CPageTabCtrl::GetPage(int index) {
  if (index < 0 || index >= GetPageCount()) {
    return nullptr;
  }
  return m_pages[static_cast<size_t>(index)];
}

CTabPage* CPageTabCtrl::GetPage(const QString& title) {
  return GetPage(FindPage(title));
}

bool CPageTabCtrl::AddPage(const QString& title, CTabPage* page) {
  if (page == nullptr || !page->Create(this)) {
    return false;
  }
  AddPage(page, title);
  return true;
}

bool CPageTabCtrl::RemovePage(const QString& title) {
  return RemovePage(FindPage(title));
}

void CPageTabCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void CPageTabCtrl::OnTabChanged(int index) {
  if (index == m_curIndex) {
    return;
  }
  // The page being left may refuse (its values do not validate): the tab stays where it was.
  if (m_curPage != nullptr && !m_curPage->Validate()) {
    const QSignalBlocker blocker(m_tabBar);
    m_tabBar->setCurrentIndex(m_curIndex);
    return;
  }
  SelectPage(index);
}
