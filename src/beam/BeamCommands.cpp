#include "beam/BeamCommands.h"

#include "common/MessageService.h"
#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Registry.h"

namespace beam_commands {

namespace {

constexpr const char* kInstallationKey = "Software\\Apps\\Quillfen, Inc. Ovelin";

}  // namespace

bool DesktopCompanionInstalled() {
  platform::RegistryKey key;
  platform::ValueType type{};
  QByteArray data;
  return key.Open(platform::Hive::LocalMachine, QString::fromLatin1(kInstallationKey)) &&
         key.Query(QStringLiteral("DCVersion"), type, data);
}

bool SyncRuleForbids(bool desktopCompanion, const CBeamRecord& record) {
  return desktopCompanion && record.GetDesktopId() == 0;
}

BeamOutcome BeamSelectedRecord(CBeamEngine& engine, uint32_t type, platform::RecordId recordId,
                               bool desktopCompanion) {
  CBeamRecord record;
  if (!record.ReadById(type, recordId)) {
    return BeamOutcome::kNoRecord;
  }
  if (SyncRuleForbids(desktopCompanion, record)) {
    messages::Show(strings::Load(ids::kMustSynchronizeRecord), messages::Buttons::Ok,
                   messages::Icon::Stop);
    return BeamOutcome::kNotSynced;
  }
  const uint8_t kind =
      type == beam::kPatientRecord ? beam::kPatientTransfer : beam::kRecordTransfer;
  CBeamEngine::Socket socket = engine.OpenBeam(kind, 0, false);
  if (!socket) {
    return BeamOutcome::kFailed;
  }
  const bool sent = engine.BeamRecord(*socket, record);
  socket.reset();
  return sent ? BeamOutcome::kSent : BeamOutcome::kFailed;
}

CheckoutResult BeamCheckoutList(CBeamEngine& engine, const std::vector<QString>& names,
                                bool desktopCompanion) {
  CheckoutResult result;
  result.marked = static_cast<uint32_t>(names.size());

  // Which of the marked patients go out, decided before anything is announced.
  std::vector<bool> willSend(names.size(), false);
  size_t end = names.size();
  bool warned = false;
  for (size_t k = 0; k < names.size(); ++k) {
    CBeamRecord patient;
    if (!patient.FindPatient(names[k])) {
      continue;
    }
    if (SyncRuleForbids(desktopCompanion, patient)) {
      if (warned) {
        continue;
      }
      const messages::Answer answer = messages::Show(
          strings::Load(ids::kSomePatientsNotSynchronized), strings::Load(ids::kAppName),
          messages::Buttons::OkCancel, messages::Icon::Stop);
      if (answer == messages::Answer::Cancel) {
        end = k;
        break;
      }
      warned = true;
      continue;
    }
    willSend[k] = true;
    ++result.announced;
  }
  if (result.announced == 0) {
    return result;
  }

  IBeamProgress& progress = engine.Progress();
  CBeamRecord record;
  CBeamEngine::Socket socket =
      engine.OpenBeam(beam::kPatientsTransfer, result.announced, true, result.marked);
  if (!socket) {
    return result;
  }
  result.connected = true;
  bool ok = true;
  uint32_t i = 1;
  for (size_t k = 0; k < end; ++k) {
    const QString& name = names[k];
    progress.SetOverallProgress(i, 0);
    progress.SetOverallText(strings::FormatId(ids::kBeamSendingPatients,
                                              strings::FormatId(ids::kBeamPatientNamePrefix, name),
                                              i, result.marked));
    if (willSend[k] && record.FindPatient(name)) {
      const uint32_t refusedBefore = engine.RefusedCount();
      if (!engine.BeamPatient(*socket, record, false) && engine.RefusedCount() == refusedBefore) {
        ok = false;  // the block broke off
        break;
      }
      ++result.sent;
    }
    ++i;
  }
  if (ok && engine.RefusedCount() != 0) {
    // Every patient went over, but the receiver could not store some of their records; the last
    // status says which patient's.
    progress.SetOverallText(strings::FormatId(ids::kBeamSentPatients, result.sent, result.marked));
    ok = false;
  } else if (ok) {
    // Patients that the receiver merged into one it filed before are not on file twice.
    progress.SetOverallText(
        engine.MergedCount() == 0
            ? strings::FormatId(ids::kBeamSentPatients, result.sent, result.marked)
            : strings::FormatId(ids::kBeamSentPatientsMerged, result.sent, result.marked,
                                engine.MergedCount()));
    progress.SetStatusId(ids::kBeamSuccess, false);
  } else {
    progress.SetOverallText(strings::FormatId(ids::kBeamSendFailedAfter, i - 1, result.marked));
  }
  engine.FinishBeam();
  socket.reset();
  result.ok = ok && result.sent == result.announced;
  return result;
}

}  // namespace beam_commands
