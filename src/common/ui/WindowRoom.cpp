#include "common/ui/WindowRoom.h"

#include <QDialog>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QtMath>

#include "common/ui/CBaseListCtrl.h"
#include "common/ui/InputPanel.h"

namespace window_room {
namespace {

QSize& MainWindowSize() {
  static QSize size;
  return size;
}

// Places its dialog at its content's size when the dialog is first shown, then lets go. A child
// of the dialog, it never outlives it.
class FirstShowPlacer : public QObject {
 public:
  explicit FirstShowPlacer(QDialog& dialog) : QObject(&dialog), m_dialog(dialog) {
    dialog.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &m_dialog && event->type() == QEvent::Show) {
      m_dialog.removeEventFilter(this);
      for (CBaseListCtrl* list : m_dialog.findChildren<CBaseListCtrl*>()) {
        list->SetSizeHintFromRows(true);
      }
      // Twice: the first size moves the margins that follow the input panel, which the second
      // size hint includes.
      for (int pass = 0; pass < 2; ++pass) {
        m_dialog.setGeometry(EntryDialogRect(m_dialog.sizeHint(), input_panel::Desktop()));
      }
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QDialog& m_dialog;
};

}  // namespace

bool IsHandHeld(const QSize& window) {
  return window.width() <= HandHeldSize().width() && window.height() <= HandHeldSize().height();
}

bool IsHandHeld() {
  const QSize told = MainWindowSize();
  return told.isEmpty() || IsHandHeld(told);
}

void SetMainWindowSize(const QSize& size) {
  MainWindowSize() = size;
}

QSize ItemValueWidths(const CBaseListCtrl& list, int w, int labelLess, int valueLess) {
  if (IsHandHeld()) {
    return {(2 * w) / 5 - labelLess, (3 * w) / 5 - valueLess};
  }
  const int label = qMin(list.LabelColumnWidth(), w / 2);
  return {label, w - label - labelLess - valueLess};
}

int TextBoxContentHeight(const QPlainTextEdit& box, int minimumLines) {
  // A plain text box's document counts its height in lines, wrapped at the box's width.
  const int lines = qMax(minimumLines, qCeil(box.document()->size().height()));
  const QMargins margins = box.contentsMargins();
  return lines * box.fontMetrics().lineSpacing() + qCeil(2 * box.document()->documentMargin()) +
         margins.top() + margins.bottom();
}

void FitListAndBox(QWidget& list, int listHeight, QPlainTextEdit& box, int boxMinimum,
                   int pageHeight) {
  if (IsHandHeld()) {
    list.setFixedHeight(listHeight);
    box.setMinimumHeight(boxMinimum);
    box.setMaximumHeight(QWIDGETSIZE_MAX);
    return;
  }
  list.setMinimumHeight(listHeight);
  list.setMaximumHeight(QWIDGETSIZE_MAX);
  const int text = TextBoxContentHeight(box, 2);
  box.setFixedHeight(qBound(boxMinimum, text, qMax(boxMinimum, pageHeight / 2)));
}

QRect EntryDialogRect(const QSize& sizeHint, const QRect& desktop) {
  if (IsHandHeld()) {
    return desktop;
  }
  const QSize size =
      sizeHint.expandedTo(QSize(HandHeldSize().width(), 0)).boundedTo(desktop.size());
  QRect placed(QPoint(), size);
  placed.moveCenter(desktop.center());
  return placed;
}

void PlaceEntryDialog(QDialog& dialog) {
  dialog.setGeometry(input_panel::Desktop());
  if (!IsHandHeld()) {
    new FirstShowPlacer(dialog);
  }
}

}  // namespace window_room
