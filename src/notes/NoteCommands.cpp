#include "notes/NoteCommands.h"

#include <QDialog>

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "common/XMExtension.h"
#include "common/ui/CTabPage.h"
#include "common/ui/InputPanel.h"
#include "common/ui/UiSeams.h"
#include "notes/CAddNoteDlg.h"
#include "notes/CAddNoteSheet.h"
#include "notes/CHPAssessPlanPage.h"
#include "notes/CHPSheet.h"
#include "notes/CSOAPAssessPlanPage.h"
#include "notes/CSOAPObjectivePage.h"
#include "notes/CSOAPSubjectPage.h"
#include "notes/NoteBlocks.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "store/CDBNotes.h"

namespace note_commands {
namespace {

// Adds the note; a note that could not be stored is said so, and the page is not reloaded for
// it.
void StoreNote(CommandContext& context, CDBNotes& note) {
  if (!note.AddNew(false)) {
    messages::Show(strings::Load(ids::kNoteAddFailed), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  if (CTabPage* notesPage = context.host.Tabs().GetPage(strings::Load(ids::kTabNotes))) {
    notesPage->OnSetActive();
  }
}

void RunSoapSheet(CommandContext& context, const CAddNoteDlg& dialog) {
  const QString patient = context.host.CurrentPatient();
  CAddNoteSheet sheet(context.window);
  sheet.SetPatient(patient);
  if (sheet.DoModal() == CNoteSheet::kCancelResult) {
    return;
  }
  CDBNotes note;
  note.patient = patient;
  note.date = dialog.date;
  note.time = dialog.time;
  note.subjective = sheet.SubjectPage()->subjective;
  note.objective = sheet.ObjectivePage()->objective;
  note.assessmentPlan = sheet.AssessPlanPage()->assessmentPlan;
  note.noteText = sheet.NoteText(note_blocks::Head(dialog.date, dialog.time), patient,
                                 context.host.CurrentMrNumber());
  StoreNote(context, note);
}

// The history-and-physical note has no subjective or objective section of its own: its sections
// stand in the note's text, and only the assessment and plan is kept for a later note's recall.
void RunHpSheet(CommandContext& context, const CAddNoteDlg& dialog) {
  CHPSheet sheet(context.host, context.window);
  if (sheet.DoModal() == CNoteSheet::kCancelResult) {
    return;
  }
  CDBNotes note;
  note.patient = context.host.CurrentPatient();
  note.date = dialog.date;
  note.time = dialog.time;
  note.assessmentPlan = sheet.AssessPlanPage()->assessmentPlan;
  note.noteText = sheet.NoteText(note_blocks::Head(dialog.date, dialog.time), note.patient,
                                 context.host.CurrentMrNumber());
  StoreNote(context, note);
}

// The note sheet of each note type, by the type's number; the dialog offers only the types that
// have one.
using SheetRunner = void (*)(CommandContext& context, const CAddNoteDlg& dialog);
constexpr SheetRunner kSheets[CAddNoteDlg::kKindCount] = {RunSoapSheet, RunHpSheet};

void OnNewNote(CommandContext& context) {
  input_panel::RaisedScope raised;
  CAddNoteDlg dialog(context.window);
  for (int kind = 0; kind < CAddNoteDlg::kKindCount; ++kind) {
    dialog.SetKindOffered(kind, kSheets[kind] != nullptr);
  }
  if (ui_seams::RunModal(dialog) == QDialog::Rejected) {
    return;
  }
  if (const SheetRunner run = kSheets[dialog.noteKind]) {
    run(context, dialog);
  }
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kAddNote, OnNewNote);
}

}  // namespace note_commands
