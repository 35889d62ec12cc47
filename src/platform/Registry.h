#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace platform {

// The device registry: typed values under keys named by backslash paths, in two hives. Key names
// compare case-insensitively, as on the device. Values are kept in the device's registry file.
enum class Hive { CurrentUser, LocalMachine };

enum class ValueType : uint32_t { Sz = 1, Binary = 3, Dword = 4 };

class RegistryKey {
 public:
  RegistryKey() = default;

  // Opens an existing key; false when it does not exist.
  bool Open(Hive hive, const QString& path, bool writable = false);
  // Opens a key, creating it (and its parents) when missing.
  bool Create(Hive hive, const QString& path);
  void Close() { m_open = false; }
  bool IsOpen() const { return m_open; }

  // Any type: the stored type and bytes. False when the value does not exist.
  bool Query(const QString& name, ValueType& type, QByteArray& data) const;
  // Typed reads: false when missing, of another type, or of the wrong size (a DWORD must be 4
  // bytes; a string must be whole UTF-16 units).
  bool QueryString(const QString& name, QString& out) const;
  bool QueryDword(const QString& name, uint32_t& out) const;

  // Sets a value; needs a key opened writable or created.
  bool Set(const QString& name, ValueType type, const QByteArray& data);
  // REG_SZ is stored as UTF-16LE with its terminating zero unit.
  bool SetString(const QString& name, const QString& value);
  bool SetDword(const QString& name, uint32_t value);
  bool SetBinary(const QString& name, const QByteArray& value);

  static QByteArray EncodeString(const QString& value);
  static bool DecodeString(const QByteArray& data, QString& out);

 private:
  Hive m_hive = Hive::CurrentUser;
  QString m_path;
  bool m_open = false;
  bool m_writable = false;
};

}  // namespace platform
