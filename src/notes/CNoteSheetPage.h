#pragma once

#include <QString>
#include <QWidget>

class CBaseListCtrl;
class CNoteSheet;
class CPictureButton;

// Base of every page of a note sheet. A page makes its controls in OnInitPage, the first time
// the sheet shows it; every page has a CANCEL button that ends the whole sheet with the cancel
// result. The base also carries what the pages of every sheet share: sizing the page's main
// control for the input panel, the bold tab font, and the (+) and (-) buttons that type into a
// row list's open editor.
class CNoteSheetPage : public QWidget {
  Q_OBJECT

 public:
  explicit CNoteSheetPage(int titleId, QWidget* parent = nullptr);

  QString Title() const;
  // Makes the page's controls, once.
  void EnsureCreated();
  bool IsCreated() const { return m_created; }

  // The page is shown; it is left (false keeps it shown). Leaving is where a page takes its
  // controls' values into its member texts.
  virtual bool OnSetActive() { return true; }
  virtual bool OnKillActive() { return true; }

  // CANCEL: ends the whole sheet with the cancel result.
  void OnCancel();
  // The main control (the page's last) ends 23 pixels above the bottom of the desktop that the
  // input panel leaves visible while the panel is up, 50 while it is down, so that the tabs
  // below it stay in sight.
  void FitToInputPanel();

  CPictureButton* CancelButton() const { return m_cancel; }
  CNoteSheet* Sheet() const { return m_sheet; }

 protected:
  // The creation step: the page's controls, columns, rows and lists.
  virtual void OnInitPage() = 0;

  // The control that FitToInputPanel sizes; it stands last in the page's layout.
  void SetMainControl(QWidget* control) { m_main = control; }
  // Gives the sheet's tabs the bold tab font.
  void UseBoldTabFont();
  // The (+) and (-) buttons of a row list: each types its sign at the caret of the list's open
  // in-place editor, and does nothing while no row is being edited. They are the list's
  // companions, so tapping them keeps the editor open.
  CPictureButton* MakeSignButton(int captionId, int nameId, int signId, CBaseListCtrl* list);

  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class CNoteSheet;

  int m_titleId;
  bool m_created = false;
  CPictureButton* m_cancel;
  QWidget* m_main = nullptr;
  CNoteSheet* m_sheet = nullptr;
};
