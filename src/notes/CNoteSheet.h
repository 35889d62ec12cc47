#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class CNoteSheetPage;
class QStackedWidget;
class QTabBar;

// A note sheet: the full-screen pages of one new note, with a tab for each page below them, run
// modally by the new-note command. A page makes its controls the first time it is shown, so a
// page never opened contributes empty texts; moving to another tab lets the page left take its
// controls' values first (OnKillActive). The sheet ends with the cancel result (any page's
// CANCEL) or with the result its SAVE gives; nothing is stored by the sheet itself.
class CNoteSheet : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCancelResult = QDialog::Rejected;

  explicit CNoteSheet(const QString& caption, QWidget* parent = nullptr);
  ~CNoteSheet() override;

  // Appends a page (the sheet owns it) with a tab showing its title.
  void AddPage(CNoteSheetPage* page);
  // Shows the first page and runs the sheet modally (through ui_seams::RunModal); answers the
  // result it ended with.
  int DoModal();
  // Leaves the shown page (its OnKillActive may refuse) and shows page index, making its
  // controls the first time. False when refused or there is no such page.
  bool SetActivePage(int index);
  int GetActiveIndex() const { return m_current; }
  CNoteSheetPage* GetPage(int index) const;
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  QTabBar* TabBar() const { return m_tabs; }
  // Ends the sheet with result.
  void EndSheet(int result);

 protected:
  // The input panel's settings change reaches every page that has its controls.
  bool event(QEvent* event) override;
  // Escape does not end the sheet: a stray key would drop the whole note. CANCEL does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnTabChanged(int index);

  QStackedWidget* m_stack;
  QTabBar* m_tabs;
  std::vector<CNoteSheetPage*> m_pages;
  int m_current = -1;
};
