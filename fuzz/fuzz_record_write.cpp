// Every store's Write, reached as the beam receiver reaches it: the first byte of a serialised
// record names its store. A patient is filed first, so that chart records have an owner and their
// merge and add paths run too.

#include <cstddef>
#include <cstdint>

#include "FuzzDevice.h"
#include "beam/CBeamRecord.h"
#include "common/CDBPatient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready = (FuzzQuietQt(), true);
  static_cast<void>(ready);
  device.Next();
  CDBPatient::SetLastPatientWritten(QStringLiteral("Fuzz, Patient"));
  CBeamRecord record;
  if (record.WriteRecord(data, size)) {
    // Whatever was filed serialises again.
    std::vector<uint8_t> again;
    record.SerializeRecord(again);
  }
  CDBPatient::ClearReadOnlyCache();
  return 0;
}
