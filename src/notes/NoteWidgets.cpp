#include "notes/NoteWidgets.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>

#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"

namespace note_widgets {

CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent) {
  auto* button = new CPictureButton(strings::Load(captionId), parent);
  button->setAccessibleName(strings::Load(nameId));
  // The inert look-alikes do nothing, so the Tab key passes them by.
  button->setFocusPolicy(button->IsInert() ? Qt::NoFocus : Qt::TabFocus);
  return button;
}

QPlainTextEdit* MakeTextBox(int nameId, QWidget* parent) {
  auto* box = new QPlainTextEdit(parent);
  box->setAccessibleName(strings::Load(nameId));
  box->setTabChangesFocus(true);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return box;
}

QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  for (QWidget* button : buttons) {
    row->addWidget(button);
  }
  row->addStretch(1);
  return row;
}

QLabel* Caption(int textId, QWidget* control, QWidget* parent) {
  auto* caption = new QLabel(strings::Load(textId), parent);
  caption->setBuddy(control);
  return caption;
}

void SetPageMargins(QBoxLayout& layout) {
  layout.setContentsMargins(4, 4, 4, 4);
  layout.setSpacing(4);
}

QString BoxText(const QPlainTextEdit& box) {
  QString text = box.toPlainText();
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

void SetBoxText(QPlainTextEdit& box, const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  box.setPlainText(shown);
}

}  // namespace note_widgets
