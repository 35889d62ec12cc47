// The pure readers underneath every binary and text form, without any store: the bounds-checked
// byte reader (counted texts, FILETIMEs, integers), the category wire text, registry strings,
// packed values and time texts. Every read either moves on within the buffer or leaves the offset
// where it was.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/ByteStream.h"
#include "common/CDBBaseDatabase.h"
#include "platform/Registry.h"
#include "store/CDBDatedStore.h"

namespace {

void ReadEveryField(const uint8_t* data, size_t size) {
  bytes::Reader reader(data, size);
  for (int step = 0; reader.Remaining() > 0 && step < 64; ++step) {
    const size_t before = reader.Offset();
    bool moved = false;
    QString text;
    FILETIME time;
    uint32_t number = 0;
    switch (data[before] % 4) {
      case 0:
        moved = reader.ReadString(text);
        break;
      case 1:
        moved = reader.ReadFileTime(time);
        break;
      case 2:
        moved = reader.ReadStringUnits(data[before] / 4u, text);
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
  ReadEveryField(data, size);
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString text;
  platform::RegistryKey::DecodeString(bytes, text);
  const QString units =
      QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
  for (const packed::Pair& pair : packed::SplitPairs(units)) {
    if (pair.name.isEmpty()) {
      std::abort();  // a pair always has a name
    }
  }
  CDBBaseDatabase::StringToTime(QString::fromLatin1(bytes));
  return 0;
}
