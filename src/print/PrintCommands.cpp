#include "print/PrintCommands.h"

#include "common/CAsciiPr.h"
#include "common/CDBPatient.h"
#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "print/CCheckoutPatientList.h"
#include "print/CPrintCheckoutDlg.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

namespace print_commands {
namespace {

// "The patient log was ..." with where the printer target put it.
QString DeliveryText(const CAsciiPr::Delivery& delivery) {
  using Kind = CAsciiPr::Delivery::Kind;
  switch (delivery.kind) {
    case Kind::kSpoolFile:
      return strings::FormatId(ids::kLogSpooled, delivery.where);
    case Kind::kFile:
      return strings::FormatId(ids::kLogAppended, delivery.where);
    case Kind::kNetworkPrinter:
      return strings::FormatId(ids::kLogSentToPrinter, delivery.where);
    case Kind::kSystemSpooler:
      return delivery.where.isEmpty() ? strings::Load(ids::kLogSentToSpooler)
                                      : strings::FormatId(ids::kLogSentToQueue, delivery.where);
    case Kind::kNone:
      break;
  }
  return {};
}

void OnPrintLog(CommandContext& context) {
  const app_options::PrintSettings& settings = context.host.Shell().PrintSettings();
  const int result =
      CDBPatient().PrintPatientLog(settings.linesPerPage, settings.pageWidth, settings.leftMargin,
                                   settings.topMargin, settings.bottomMargin);
  // The job leaves no mark on the screen of its own: the person is told where it went, or that
  // no printer took it.
  if (result != 0) {
    messages::Show(strings::Load(ids::kPrinterConnectError), messages::Buttons::Ok,
                   messages::Icon::Exclamation);
    return;
  }
  messages::Show(DeliveryText(CAsciiPr::LastDelivery()), messages::Buttons::Ok,
                 messages::Icon::Information);
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
