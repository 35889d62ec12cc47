#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

// The devices this device has been paired with: each one's name, the pin of its public key and
// when it was paired. A secure beam goes to or comes from a device on this list only. Kept in the
// device folder as JSON (0600), rewritten atomically. See docs/device-identity.md.
namespace platform {

struct PairedDevice {
  QString name;
  QByteArray pin;  // SHA-256 of the device's public key
  QDateTime paired;
};

class PairedDevices {
 public:
  static constexpr const char* kFile = "paired-devices.json";

  // The list kept in folder; an empty list when the device was never paired. False with the
  // reason when the file cannot be read or is damaged.
  bool Load(const QString& folder, QString& error);
  // Writes the list to folder atomically; false with the reason when that fails.
  bool Save(const QString& folder, QString& error) const;

  const std::vector<PairedDevice>& Devices() const { return m_devices; }
  const PairedDevice* FindByPin(const QByteArray& pin) const;
  const PairedDevice* FindByName(const QString& name) const;
  // Adds device, replacing an entry of the same name or the same pin: pairing again on purpose
  // is how a device whose key changed is trusted again.
  void Put(const PairedDevice& device);
  // False when no device has that name.
  bool Remove(const QString& name);

 private:
  std::vector<PairedDevice> m_devices;
};

}  // namespace platform
