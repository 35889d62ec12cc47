// The patient record reader and the bounds-checked byte reader underneath every binary form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzDevice.h"
#include "common/ByteStream.h"
#include "common/CDBPatient.h"

namespace {

// Every read of the reader either moves on within the buffer or leaves the offset where it was.
void ReadEveryField(const uint8_t* data, size_t size) {
  bytes::Reader reader(data, size);
  for (int step = 0; reader.Remaining() > 0 && step < 64; ++step) {
    const size_t before = reader.Offset();
    bool moved = false;
    QString text;
    FILETIME time;
    uint32_t number = 0;
    switch (data[before] % 3) {
      case 0:
        moved = reader.ReadString(text);
        break;
      case 1:
        moved = reader.ReadFileTime(time);
        break;
      default:
        moved = reader.ReadU32(number);
        break;
    }
    if ((!moved && reader.Offset() != before) || reader.Offset() > size) {
      std::abort();
    }
    if (!moved && !reader.ReadData(&number, 1)) {
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready = (FuzzQuietQt(), true);
  static_cast<void>(ready);
  device.Next();
  ReadEveryField(data, size);
  CDBPatient patient;
  if (patient.Write(data, size)) {
    CDBPatient stored;
    if (!stored.FindByName(patient.name)) {
      std::abort();  // reported as filed, yet not on file
    }
  }
  CDBPatient::m_ReadOnlyMap.clear();
  return 0;
}
