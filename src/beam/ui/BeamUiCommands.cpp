#include "beam/ui/BeamUiCommands.h"

#include "beam/BeamCommands.h"
#include "beam/ui/BeamTransportChoice.h"
#include "beam/ui/CBeamCheckoutListDlg.h"
#include "beam/ui/CBeamProgressDlg.h"
#include "beam/ui/CPairDeviceDlg.h"
#include "common/CDBPatient.h"
#include "common/XMExtension.h"
#include "common/ui/UiSeams.h"
#include "platform/Device.h"
#include "print/CCheckoutPatientList.h"
#include "shell/CommandIds.h"
#include "shell/CommandRegistry.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

namespace beam_ui {
namespace {

void OnReceiveBeam(CommandContext& context) {
  {
    CBeamProgressDlg progress;
    const std::unique_ptr<platform::IBeamTransport> transport = MakeTransport();
    CBeamEngine engine(progress, *transport);
    engine.ReceiveBeam();
  }
  // Whatever arrived is shown at once, even after a broken transfer: the patients received, the
  // access states they came with, and the records of the page on show.
  CDBPatient::ClearReadOnlyCache();
  context.host.RefillPatientList(true, true);
  context.host.ReloadCurrentPage();
  context.host.Shell().NotifyPatientDataChanged(QString());
}

void OnBeam(CommandContext& context) {
  CTabPage* page = context.host.Tabs().GetActivePage();
  int type = 0;
  uint32_t recordId = 0;
  if (page == nullptr || !page->GetSelectedRecord(type, recordId)) {
    return;
  }
  CBeamProgressDlg progress;
  const std::unique_ptr<platform::IBeamTransport> transport = MakeTransport();
  CBeamEngine engine(progress, *transport);
  beam_commands::BeamSelectedRecord(engine, static_cast<uint32_t>(type), recordId,
                                    context.host.Shell().DesktopCompanion());
}

void OnBeamCategories(CommandContext& /*context*/) {
  CBeamProgressDlg progress;
  const std::unique_ptr<platform::IBeamTransport> transport = MakeTransport();
  CBeamEngine engine(progress, *transport);
  engine.BeamCategories();
}

void OnBeamCheckoutList(CommandContext& context) {
  CBeamCheckoutListDlg dialog(CCheckoutPatientList::ShownType(context.host),
                              context.host.Shell().DesktopCompanion());
  dialog.DoModal();
}

void OnPairDevice(CommandContext& /*context*/) {
  CPairDeviceDlg dialog(platform::Device::Current()->Folder());
  ui_seams::RunModal(dialog);
}

}  // namespace

void Register(CommandRegistry& commands) {
  commands.Register(command_ids::kReceiveBeam, OnReceiveBeam);
  commands.Register(command_ids::kBeam, OnBeam);
  commands.Register(command_ids::kBeamCategories, OnBeamCategories);
  commands.Register(command_ids::kBeamCheckoutList, OnBeamCheckoutList);
  commands.Register(command_ids::kPairDevice, OnPairDevice);
}

}  // namespace beam_ui
