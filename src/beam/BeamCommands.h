#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "beam/CBeamEngine.h"

// What the beam commands do around a transfer: the rule that keeps records the desktop has not
// seen yet from being beamed, "Beam" on a selected record and the sending loop of the checkout
// list. The program's view and the command line both run them.
namespace beam_commands {

// Whether the desktop companion is installed: HKEY_LOCAL_MACHINE
// "Software\Apps\Quillfen, Inc. Ovelin" has the value "DCVersion".
bool DesktopCompanionInstalled();

// The synchronisation rule: with the desktop companion installed, a record that was never
// synchronised (desktopId 0) is not beamed.
bool SyncRuleForbids(bool desktopCompanion, const CBeamRecord& record);

enum class BeamOutcome {
  kNoRecord,   // the record could not be read: nothing happened, nothing was said
  kNotSynced,  // refused by the synchronisation rule (the user was told)
  kFailed,     // the transfer ran and failed or was cancelled
  kSent,
};

// "Beam" on the selected record of a kind (record type code) and id: reads it, applies the
// synchronisation rule and beams it, a patient with all of its records (kind 3), any other record
// with its patient (kind 2).
BeamOutcome BeamSelectedRecord(CBeamEngine& engine, uint32_t type, platform::RecordId recordId,
                               bool desktopCompanion);

struct CheckoutResult {
  uint32_t marked = 0;     // patients marked
  uint32_t announced = 0;  // patients announced to the receiver: those that will be sent
  uint32_t sent = 0;
  bool connected = false;  // a transfer was opened
  bool ok = false;         // every announced patient was sent
};

// "BEAM" of the checkout list, names being the marked patients in list order. The patients that
// will really be sent are picked before connecting (a patient not found is skipped silently; one
// the synchronisation rule refuses is skipped after one warning, whose Cancel also drops every
// patient after it), so that the receiver is told their true number. Nothing is opened when none
// is left. The texts count the marked patients, as the user sees them.
CheckoutResult BeamCheckoutList(CBeamEngine& engine, const std::vector<QString>& names,
                                bool desktopCompanion);

}  // namespace beam_commands
