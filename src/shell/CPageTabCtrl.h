#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "common/XMExtension.h"

class CTabPage;
class QTabBar;

// A tab strip over pages: one tab per page, the current page shown below the tabs. The pages are
// children of the strip but not owned by this class (the strip that makes them keeps them as
// members; pages added through ITabHost are owned by the strip's window). Base of the chart
// strip of the main window and of the preferences strip.
class CPageTabCtrl : public QWidget, public ITabHost {
  Q_OBJECT

 public:
  explicit CPageTabCtrl(QWidget* parent = nullptr);
  ~CPageTabCtrl() override;

  // Appends the page (made a hidden child of the strip) with a tab titled title.
  void AddPage(CTabPage* page, const QString& title);
  // The old page gets OnKillActive and is hidden; the new one is shown and gets OnSetActive.
  bool SelectPage(int index);
  // Refused (false) for the current page and for an index outside the pages.
  bool RemovePage(int index);
  int GetCurSel() const { return m_curIndex; }
  CTabPage* GetCurrentPage() const { return m_curPage; }
  QString PageTitle(int index) const;
  QTabBar* TabBar() const { return m_tabBar; }

  // Places every page below the tab rows and tells it its new size.
  void Layout();

  // ITabHost
  void Release() override {}
  CTabPage* GetActivePage() override { return m_curPage; }
  int SelectPage(const QString& title) override;
  int FindPage(const QString& title) override;
  CTabPage* GetPage(int index) override;
  CTabPage* GetPage(const QString& title) override;
  int GetPageCount() override { return static_cast<int>(m_pages.size()); }
  bool AddPage(const QString& title, CTabPage* page) override;
  bool RemovePage(const QString& title) override;

 signals:
  void pageSelected(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnTabChanged(int index);

  QTabBar* m_tabBar;
  std::vector<CTabPage*> m_pages;
  int m_curIndex = -1;
  CTabPage* m_curPage = nullptr;
};
