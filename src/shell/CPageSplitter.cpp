#include "shell/CPageSplitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "common/ui/WindowRoom.h"
#include "shell/Options.h"

namespace {

// The line is as tall as the gap the hand-held layout leaves between the lists.
constexpr int kLineHeight = 4;

}  // namespace

// The line between the lists: it takes the focus from Tab and moves with the arrow keys.
class CPageSplitterHandle : public QSplitterHandle {
 public:
  CPageSplitterHandle(CPageSplitter& splitter, const QString& name)
      : QSplitterHandle(Qt::Vertical, &splitter), m_splitter(splitter) {
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(name);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int line = fontMetrics().height();
    const int page = qMax(line, m_splitter.height() / 4);
    switch (event->key()) {
      case Qt::Key_Up:
        m_splitter.MoveLine(-line);
        break;
      case Qt::Key_Down:
        m_splitter.MoveLine(line);
        break;
      case Qt::Key_PageUp:
        m_splitter.MoveLine(-page);
        break;
      case Qt::Key_PageDown:
        m_splitter.MoveLine(page);
        break;
      default:
        QSplitterHandle::keyPressEvent(event);
        return;
    }
    event->accept();
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    QSplitterHandle::mouseReleaseEvent(event);
    m_splitter.Remember();
  }

  void focusInEvent(QFocusEvent* event) override {
    QSplitterHandle::focusInEvent(event);
    update();
  }

  void focusOutEvent(QFocusEvent* event) override {
    QSplitterHandle::focusOutEvent(event);
    update();
  }

  void paintEvent(QPaintEvent* event) override {
    QSplitterHandle::paintEvent(event);
    if (hasFocus()) {
      // A person moving the line by keyboard sees that it has the focus.
      QPainter painter(this);
      painter.fillRect(rect(), palette().highlight());
    }
  }

 private:
  CPageSplitter& m_splitter;
};

CPageSplitter::CPageSplitter(const QString& valueName, int handHeldUpper,
                             const QString& accessibleName, QWidget* parent)
    : QSplitter(Qt::Vertical, parent),
      m_valueName(valueName),
      m_handHeldUpper(handHeldUpper),
      m_accessibleName(accessibleName) {
  setObjectName(QStringLiteral("pageSplitter"));
  setChildrenCollapsible(false);
  setHandleWidth(kLineHeight);
}

void CPageSplitter::SetLists(QWidget* upper, QWidget* lower) {
  addWidget(upper);
  addWidget(lower);
  // Screen readers read the children in their order: the upper list, the divider, the lower one.
  for (QWidget* part : {upper, static_cast<QWidget*>(handle(1)), lower}) {
    part->raise();
  }
  // Resizes go to the upper list; the lower one keeps its height.
  setStretchFactor(0, 1);
  setStretchFactor(1, 0);
}

void CPageSplitter::SetLowerContentHeight(std::function<int()> height) {
  m_lowerContentHeight = std::move(height);
}

QSplitterHandle* CPageSplitter::createHandle() {
  return new CPageSplitterHandle(*this, m_accessibleName);
}

void CPageSplitter::resizeEvent(QResizeEvent* event) {
  QSplitter::resizeEvent(event);
  Fit();
}

int CPageSplitter::LowerHeight() const {
  const QList<int> parts = sizes();
  return parts.size() == 2 ? parts[1] : 0;
}

void CPageSplitter::SetLowerHeight(int height) {
  const int room = qMax(0, this->height() - handleWidth());
  const int lower = qBound(0, height, room);
  setSizes({room - lower, lower});
}

void CPageSplitter::Fit() {
  if (count() != 2) {
    return;
  }
  if (window_room::IsHandHeld()) {
    m_placed = false;
    SetLowerHeight(height() - handleWidth() - m_handHeldUpper);
    return;
  }
  // Not laid out yet (a page made before its strip gives it its size): placed once it is.
  if (m_placed || height() <= m_handHeldUpper + handleWidth()) {
    return;
  }
  m_placed = true;
  uint32_t remembered = 0;
  if (app_options::ReadSplitPosition(m_valueName, remembered)) {
    SetLowerHeight(static_cast<int>(remembered));
  } else {
    // The lower list shows its content, and the upper one keeps at least its hand-held height.
    const int content = m_lowerContentHeight ? m_lowerContentHeight() : height() / 2;
    SetLowerHeight(qMin(content, height() - handleWidth() - m_handHeldUpper));
  }
}

void CPageSplitter::ContentChanged() {
  m_placed = false;
  Fit();
}

void CPageSplitter::MoveLine(int by) {
  SetLowerHeight(LowerHeight() - by);
  Remember();
}

void CPageSplitter::Remember() {
  if (!window_room::IsHandHeld()) {
    app_options::WriteSplitPosition(m_valueName, static_cast<uint32_t>(LowerHeight()));
  }
}
