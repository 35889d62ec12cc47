// Registry values: any type and any bytes are stored and read back unchanged, and the typed reads
// decode them or refuse them without reading past their end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzDevice.h"
#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzDevice device;
  static bool ready = (FuzzQuietQt(), true);
  static_cast<void>(ready);
  device.Next();
  if (size == 0) {
    return 0;
  }
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  QString decoded;
  if (platform::RegistryKey::DecodeString(bytes, decoded) &&
      !platform::RegistryKey::EncodeString(decoded).startsWith(bytes.left(decoded.size() * 2))) {
    std::abort();
  }
  // One value in four goes through the registry file: stored, then read back by every read.
  if (data[0] % 4 != 0) {
    return 0;
  }
  static const QString key = QStringLiteral("Software\\Fuzz");
  platform::RegistryKey writer;
  const auto type = static_cast<platform::ValueType>(data[0] >> 2);
  if (!writer.Create(platform::Hive::CurrentUser, key) ||
      !writer.Set(QStringLiteral("Value"), type, bytes)) {
    return 0;
  }
  platform::RegistryKey reader;
  platform::ValueType storedType{};
  QByteArray stored;
  if (!reader.Open(platform::Hive::CurrentUser, key) ||
      !reader.Query(QStringLiteral("Value"), storedType, stored) || stored != bytes ||
      storedType != type) {
    std::abort();  // a value set is a value read back, byte for byte
  }
  QString text;
  uint32_t number = 0;
  reader.QueryString(QStringLiteral("Value"), text);
  reader.QueryDword(QStringLiteral("Value"), number);
  return 0;
}
