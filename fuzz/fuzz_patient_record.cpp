// The patient record reader: a received or restored patient is filed, and then is on file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzDevice.h"
#include "common/CDBPatient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready = (FuzzQuietQt(), true);
  static_cast<void>(ready);
  device.Next();
  CDBPatient patient;
  if (patient.Write(data, size)) {
    CDBPatient stored;
    if (!stored.FindByName(patient.name)) {
      std::abort();  // reported as filed, yet not on file
    }
  }
  CDBPatient::ClearReadOnlyCache();
  return 0;
}
