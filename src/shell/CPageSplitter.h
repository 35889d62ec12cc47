#pragma once

#include <QSplitter>
#include <QString>
#include <functional>

// Two lists of a page, one above the other, sharing the page's height along a line that the
// person moves: with the mouse, or from the keyboard once Tab has reached the line (Up and Down
// move it by a line of text, Page Up and Page Down by a quarter of the height).
//
// At the hand-held size the line stays where the page's pixel rule puts it: the upper list keeps
// its fixed height and the lower one takes the rest. Above it the upper list takes the extra
// height, the lower one starts at the height of its content (LowerContentHeight), and where the
// person leaves the line is remembered in the user's options, one value a page.
class CPageSplitter : public QSplitter {
  Q_OBJECT

 public:
  // valueName: the page's value in the user's options; handHeldUpper: the upper list's height
  // at the hand-held size; accessibleName: what a screen reader calls the line.
  CPageSplitter(const QString& valueName, int handHeldUpper, const QString& accessibleName,
                QWidget* parent = nullptr);

  // The two lists, in this order; the splitter owns them from then on.
  void SetLists(QWidget* upper, QWidget* lower);
  // How tall the lower list must be to show its content; the line's start above the hand-held
  // size while none is remembered.
  void SetLowerContentHeight(std::function<int()> height);

  // Puts the line where the window's size asks (see above); called on every resize.
  void Fit();
  // The lower list's content changed: above the hand-held size the line follows it, unless the
  // person has placed the line.
  void ContentChanged();
  // Moves the line by that many pixels (down is positive) and remembers where it is.
  void MoveLine(int by);
  int LowerHeight() const;

 protected:
  QSplitterHandle* createHandle() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class CPageSplitterHandle;
  // Stores the lower list's height when the window is above the hand-held size.
  void Remember();
  void SetLowerHeight(int height);

  QString m_valueName;
  int m_handHeldUpper;
  QString m_accessibleName;
  std::function<int()> m_lowerContentHeight;
  // Set once the line is placed above the hand-held size: from then on resizes go to the upper
  // list, until the window is made hand-held again.
  bool m_placed = false;
};
