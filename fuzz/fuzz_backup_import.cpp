// The backup reader: a document read as a stream and stored as it goes, in one transaction. A
// refused document must leave the device unchanged.

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzDevice.h"
#include "common/CDBPatient.h"
#include "platform/PropertyDatabase.h"
#include "store/Backup.h"

namespace {

uint32_t PatientCount() {
  platform::PropertyDatabase db;
  return db.Open(QStringLiteral("CMPatients")) ? db.RecordCount() : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready = (FuzzQuietQt(), true);
  static_cast<void>(ready);
  device.Next();
  QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QBuffer input(&bytes);
  input.open(QIODevice::ReadOnly);
  const uint32_t before = PatientCount();
  QString error;
  if (!backup::Import(input, error) && PatientCount() != before) {
    std::abort();  // a refused import stored something
  }
  CDBPatient::ClearReadOnlyCache();
  return 0;
}
