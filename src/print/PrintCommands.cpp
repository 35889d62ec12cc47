#include "print/PrintCommands.h"

#include "common/CDBPatient.h"
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

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kPrintLog, OnPrintLog);
}

}  // namespace print_commands
