#include "print/PrintCommands.h"

#include "common/CDBPatient.h"
#include "print/CCheckoutPatientList.h"
#include "print/CPrintCheckoutDlg.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

namespace print_commands {
namespace {

void OnPrintLog(CommandContext& context) {
  // The printer reports its own failures; the log's result is not looked at.
  const app_options::PrintSettings& settings = context.host.Shell().PrintSettings();
  CDBPatient().PrintPatientLog(settings.linesPerPage, settings.pageWidth, settings.leftMargin,
                               settings.topMargin, settings.bottomMargin);
}

void OnPrintCheckoutList(CommandContext& context) {
  CPrintCheckoutDlg dialog(CCheckoutPatientList::ShownType(context.host),
                           context.host.Shell().PrintSettings(), context.window);
  dialog.DoModal();
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kPrintLog, OnPrintLog);
  commands.Register(command_ids::kPrintCheckoutList, OnPrintCheckoutList);
}

}  // namespace print_commands
