#include "notes/CNotesPage.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/CAsciiPr.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/ui/Accessibility.h"
#include "common/ui/CBaseListCtrl.h"
#include "common/ui/CPictureButton.h"
#include "common/ui/UiSeams.h"
#include "notes/NoteExport.h"
#include "notes/NoteWidgets.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"
#include "store/CDBNotes.h"

namespace {

constexpr int kMargin = 2;
// The note box reaches this far above the bottom of the page.
constexpr int kBottomGap = 7;
constexpr const char* kExportSuffix = "txt";

// The wait cursor while the printer works; put back however the job ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

void ShowProblem(int textId) {
  messages::Show(strings::Load(textId), messages::Buttons::Ok, messages::Icon::None);
}

}  // namespace

CNotesPage::CNotesPage(QWidget* parent)
    : CPatientTabPage(kDialogId, parent),
      m_list(new CBaseListCtrl(this)),
      m_noteBox(note_widgets::MakeTextBox(ids::kNameNoteText, this)),
      m_readOnlyLabel(new QLabel(strings::Load(ids::kAccessStateReadOnly), this)),
      m_print(note_widgets::MakeButton(ids::kPicturePrint, ids::kNamePrintNote, this)),
      m_export(note_widgets::MakeButton(ids::kPictureExport, ids::kNameExportNote, this)),
      m_delete(note_widgets::MakeButton(ids::kPictureDelete, ids::kNameDeleteNote, this)),
      m_noDelete(note_widgets::MakeButton(ids::kPictureNoDelete, ids::kNameNoDeleteNote, this)),
      m_save(note_widgets::MakeButton(ids::kPictureSave, ids::kNameSaveNote, this)),
      m_noSave(note_widgets::MakeButton(ids::kPictureNoSave, ids::kNameNoSaveNote, this)) {
  m_recordType = CDBNotes::kRecordType;
  m_list->setObjectName(QStringLiteral("notesList"));
  m_list->setAccessibleName(strings::Load(ids::kNameNotesList));
  m_list->setColumnCount(1);
  m_list->InsertColumn(0, QString(), 0);
  m_list->header()->setStretchLastSection(true);
  m_list->SetExtendedStyle(CBaseListCtrl::kFullRowSelect | CBaseListCtrl::kNoColumnHeader);
  m_noteBox->setObjectName(QStringLiteral("noteBox"));
  m_readOnlyLabel->setObjectName(QStringLiteral("readOnlyLabel"));
  // The buttons start disabled until a note is shown.
  for (CPictureButton* button : {m_print, m_export, m_delete, m_save}) {
    button->setEnabled(false);
  }

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(4);
  buttons->addWidget(m_readOnlyLabel);
  buttons->addStretch(1);
  for (CPictureButton* button : {m_print, m_export, m_delete, m_noDelete, m_save, m_noSave}) {
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kBottomGap);
  layout->setSpacing(4);
  layout->addLayout(buttons);
  layout->addWidget(m_list, 1);
  layout->addWidget(m_noteBox, 2);
  // Tab follows the page from the top: the buttons, the list, then the note.
  accessibility::SetTabOrder({m_print, m_export, m_delete, m_save, m_list, m_noteBox});
  UpdateButtons(false);

  connect(m_list, &CBaseListCtrl::currentRowChanged, this, &CNotesPage::OnSelectionChanged);
  connect(m_noteBox, &QPlainTextEdit::textChanged, this, &CNotesPage::OnTextChanged);
  connect(m_save, &QAbstractButton::clicked, this, &CNotesPage::OnSave);
  connect(m_delete, &QAbstractButton::clicked, this, &CNotesPage::OnDelete);
  connect(m_print, &QAbstractButton::clicked, this, &CNotesPage::OnPrint);
  connect(m_export, &QAbstractButton::clicked, this, &CNotesPage::OnExport);
}

void CNotesPage::UpdateData(bool save) {
  if (save) {
    noteText = note_widgets::BoxText(*m_noteBox);
  } else {
    PushText();
  }
}

void CNotesPage::PushText() {
  m_pushing = true;
  note_widgets::SetBoxText(*m_noteBox, noteText);
  m_pushing = false;
}

bool CNotesPage::OnSetActive() {
  CPatientTabPage::OnSetActive();
  const uint32_t keep = m_recordId;
  loading = true;
  noteText.clear();
  UpdateData(false);
  // The store leaves the list as it is when it cannot be opened: emptied first, the list never
  // goes on showing the notes of the patient shown before.
  m_list->DeleteAllItems();
  CDBNotes notes;
  notes.FillList(*m_list, CurrentPatient());
  m_recordId = keep;
  int index = 0;
  if (m_recordId != 0) {
    index = FindRow(m_recordId);
    if (index >= 0) {
      m_list->SelectRow(index);
      m_list->EnsureVisible(index);
    } else {
      m_recordId = 0;
      index = 0;
    }
  }
  loading = false;
  ShowNote(index);
  return true;
}

int CNotesPage::FindRow(uint32_t id) const {
  for (int row = 0; row < m_list->GetItemCount(); ++row) {
    if (m_list->GetItemData(row) == id) {
      return row;
    }
  }
  return -1;
}

void CNotesPage::ShowNote(int index) {
  if (index < 0 || index >= m_list->GetItemCount()) {
    UpdateButtons(false);
    m_recordId = 0;
    return;
  }
  m_recordId = m_list->GetItemData(index);
  // A note that cannot be read shows as an empty, writable text.
  CDBNotes note;
  note.LoadByCEOID(m_recordId);
  noteText = note.noteText;
  noteReadOnly = note.accessState;
  UpdateButtons(true);
  UpdateData(false);
}

void CNotesPage::UpdateButtons(bool noteShown) {
  if (!noteShown) {
    noteReadOnly = 0;
  }
  const bool readOnly = noteReadOnly != 0;
  if (!readOnly) {
    m_save->setEnabled(false);
    m_delete->setEnabled(noteShown);
  }
  m_delete->setVisible(!readOnly);
  m_save->setVisible(!readOnly);
  m_noDelete->setVisible(readOnly);
  m_noSave->setVisible(readOnly);
  m_export->setEnabled(noteShown);
  m_print->setEnabled(noteShown);
  m_readOnlyLabel->setVisible(readOnly);
  // Without a note there is nothing to type into either.
  m_noteBox->setReadOnly(readOnly || !noteShown);
}

bool CNotesPage::GetSelectedRecord(int& type, uint32_t& recordId) {
  const int row = m_list->GetSelectedRow();
  if (row < 0) {
    type = 0;
    recordId = 0;
    return false;
  }
  type = CDBNotes::kRecordType;
  recordId = m_list->GetItemData(row);
  return true;
}

void CNotesPage::OnSelectionChanged(int row) {
  if (!loading && row >= 0) {
    ShowNote(row);
  }
}

void CNotesPage::OnTextChanged() {
  if (!m_pushing && noteReadOnly == 0 && m_recordId != 0) {
    m_save->setEnabled(true);
  }
}

void CNotesPage::OnSave() {
  int index = -1;
  SelectedRowText(*m_list, index);
  if (m_list->GetItemCount() == 0 || index < 0 || noteReadOnly != 0) {
    return;
  }
  UpdateData(true);
  CDBNotes notes;
  if (!notes.UpdateValues(m_list->GetItemData(index), noteText)) {
    // SAVE stays enabled: the edit is still only in the box.
    ShowProblem(ids::kNoteSaveFailed);
    return;
  }
  UpdateButtons(true);
}

void CNotesPage::OnDelete() {
  int index = -1;
  SelectedRowText(*m_list, index);
  if (m_list->GetItemCount() == 0 || index < 0 || noteReadOnly != 0) {
    return;
  }
  if (messages::Show(strings::Load(ids::kAskDeleteNote), messages::Buttons::OkCancel,
                     messages::Icon::Question) != messages::Answer::Ok) {
    return;
  }
  CDBNotes notes;
  if (!notes.DeleteByCEOID(m_list->GetItemData(index))) {
    // The note is still stored, so it stays listed and shown.
    ShowProblem(ids::kNoteDeleteFailed);
    return;
  }
  // The row that now stands at the deleted one's place, or the new last row, is shown next.
  loading = true;
  m_list->DeleteItem(index);
  const int next = qMin(index, m_list->GetItemCount() - 1);
  if (next >= 0) {
    m_list->SelectRow(next);
  } else {
    m_list->clearSelection();
  }
  loading = false;
  noteText.clear();
  UpdateData(false);
  ShowNote(next);
}

void CNotesPage::OnPrint() {
  if (m_list->GetItemCount() == 0 || noteText.isEmpty() || Host() == nullptr) {
    return;
  }
  const app_options::PrintSettings& settings = Host()->Shell().PrintSettings();
  bool opened = false;
  int closed = 0;
  {
    WaitCursor wait;
    // What the box holds now is printed, unsaved edits included.
    UpdateData(true);
    CAsciiPr printer;
    opened = printer.OpenPort(settings.linesPerPage, settings.pageWidth, settings.leftMargin,
                              settings.topMargin, settings.bottomMargin) == 0;
    if (opened) {
      printer.PrintStringBuffer(noteText);
      printer.FormFeed();
      closed = printer.ClosePort();
    }
  }
  if (!opened) {
    ShowProblem(ids::kPrinterConnectError);
  } else if (closed != 0) {
    ShowProblem(ids::kPrinterNotFound);
  }
}

void CNotesPage::OnExport() {
  if (m_list->GetItemCount() == 0) {
    return;
  }
  const QString path = ui_seams::GetSaveFileName(this, strings::Load(ids::kSaveAsTitle), QString(),
                                                 QString(), QString::fromLatin1(kExportSuffix));
  if (path.isEmpty()) {
    return;
  }
  // What the box holds now is exported, unsaved edits included.
  UpdateData(true);
  const note_export::Encoded encoded = note_export::ToCodePage(noteText);
  if (!encoded.ok || !note_export::WriteFile(path, encoded.bytes)) {
    ShowProblem(ids::kExportFailed);
    return;
  }
  if (encoded.replaced > 0) {
    messages::Show(strings::FormatId(ids::kNoteExportReplaced, encoded.replaced),
                   messages::Buttons::Ok, messages::Icon::Exclamation);
  }
}
