#include "chart/CToDoDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "common/ui/WindowRoom.h"

namespace {

constexpr int kMargin = 4;
// Room left under the note box: with the input panel up and down.
constexpr int kNoteGapPanelUp = 5;
constexpr int kNoteGapPanelDown = 35;

CPictureButton* MakeButton(int captionId, int nameId, QWidget* parent) {
  auto* button = new CPictureButton(strings::Load(captionId), parent);
  button->setAccessibleName(strings::Load(nameId));
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

}  // namespace

CToDoDlg::CToDoDlg(QWidget* parent)
    : QDialog(parent),
      m_itemLabel(new QLabel(this)),
      m_save(MakeButton(ids::kPictureSave, ids::kTodoSaveName, this)),
      m_noSave(MakeButton(ids::kPictureNoSave, ids::kTodoNoSaveName, this)),
      m_cancel(MakeButton(ids::kPictureCancel, ids::kButtonCancel, this)),
      m_noteBox(new QPlainTextEdit(this)),
      m_layout(new QVBoxLayout(this)) {
  setWindowTitle(strings::Load(ids::kToDoTitle));
  auto* caption = new QLabel(strings::Load(ids::kToDoCaption), this);
  caption->setBuddy(m_noteBox);
  m_itemLabel->setObjectName(QStringLiteral("itemText"));
  m_itemLabel->setAccessibleName(strings::Load(ids::kTodoItemTextName));
  m_itemLabel->setTextFormat(Qt::PlainText);
  m_itemLabel->setWordWrap(true);
  m_noteBox->setObjectName(QStringLiteral("note"));
  m_noteBox->setAccessibleName(strings::Load(ids::kTodoNoteName));
  m_noteBox->setFrameShape(QFrame::Box);
  m_noteBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_noteBox->setTabChangesFocus(true);

  auto* top = new QHBoxLayout;
  top->addWidget(caption);
  top->addWidget(m_itemLabel, 1);
  top->addWidget(m_save);
  top->addWidget(m_noSave);
  top->addWidget(m_cancel);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, kNoteGapPanelUp);
  m_layout->addLayout(top);
  m_layout->addWidget(m_noteBox, 1);
  m_noSave->hide();
  input_panel::FollowPanel(*this, [this] { FitToInputPanel(); });

  connect(m_save, &QAbstractButton::clicked, this, &CToDoDlg::OnSave);
  connect(m_cancel, &QAbstractButton::clicked, this, &CToDoDlg::OnCancel);
}

int CToDoDlg::DoModal() {
  OnInitDialog();
  const int result = ui_seams::RunModal(*this);
  if (result == QDialog::Accepted) {
    UpdateData(true);
  }
  return result;
}

void CToDoDlg::OnInitDialog() {
  UpdateData(false);
  // Full screen at the hand-held size; over the main window at its content's size above it.
  window_room::PlaceEntryDialog(*this);
  m_save->setVisible(!readOnly);
  m_noSave->setVisible(readOnly);
  m_noteBox->setReadOnly(readOnly);
  FitToInputPanel();
  m_noteBox->setFocus();
}

void CToDoDlg::UpdateData(bool save) {
  if (save) {
    note = m_noteBox->toPlainText();
    return;
  }
  m_itemLabel->setText(itemText);
  m_noteBox->setPlainText(note);
}

void CToDoDlg::OnSave() {
  if (!readOnly) {
    accept();
  }
}

void CToDoDlg::OnCancel() {
  reject();
}

void CToDoDlg::FitToInputPanel() {
  const int bottom = input_panel::BottomGap(height(), kNoteGapPanelUp, kNoteGapPanelDown);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, bottom);
  // Laid out at once: the panel may move while the dialog is up.
  m_layout->setGeometry(rect());
}
