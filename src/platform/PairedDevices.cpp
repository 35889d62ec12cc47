#include "platform/PairedDevices.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "platform/PrivateFile.h"

namespace platform {
namespace {

constexpr int kFormatVersion = 1;
constexpr qsizetype kPinBytes = 32;
// Far more than a ward's devices; a larger file is not one this program wrote.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

QString PathIn(const QString& folder) {
  return QDir(folder).filePath(QString::fromLatin1(PairedDevices::kFile));
}

bool ReadDevice(const QJsonValue& value, PairedDevice& device) {
  const QJsonObject object = value.toObject();
  device.name = object.value(QStringLiteral("name")).toString();
  device.pin = QByteArray::fromHex(object.value(QStringLiteral("pin")).toString().toLatin1());
  device.paired =
      QDateTime::fromString(object.value(QStringLiteral("paired")).toString(), Qt::ISODate);
  return !device.name.isEmpty() && device.pin.size() == kPinBytes && device.paired.isValid();
}

}  // namespace

bool PairedDevices::Load(const QString& folder, QString& error) {
  m_devices.clear();
  QFile file(PathIn(folder));
  if (!file.exists()) {
    return true;
  }
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
    return false;
  }
  const auto damaged = [&] {
    error = QStringLiteral("%1 is damaged").arg(file.fileName());
    m_devices.clear();
    return false;
  };
  if (file.size() > kMaxFileBytes) {
    return damaged();
  }
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
  const QJsonObject top = document.object();
  if (!document.isObject() || top.value(QStringLiteral("version")).toInt() != kFormatVersion ||
      !top.value(QStringLiteral("devices")).isArray()) {
    return damaged();
  }
  for (const QJsonValue& value : top.value(QStringLiteral("devices")).toArray()) {
    PairedDevice device;
    if (!ReadDevice(value, device)) {
      return damaged();
    }
    m_devices.push_back(device);
  }
  return true;
}

bool PairedDevices::Save(const QString& folder, QString& error) const {
  QJsonArray devices;
  for (const PairedDevice& device : m_devices) {
    devices.append(QJsonObject{
        {QStringLiteral("name"), device.name},
        {QStringLiteral("pin"), QString::fromLatin1(device.pin.toHex())},
        {QStringLiteral("paired"), device.paired.toUTC().toString(Qt::ISODate)},
    });
  }
  const QJsonObject top{{QStringLiteral("version"), kFormatVersion},
                        {QStringLiteral("devices"), devices}};
  return WritePrivateFileAtomically(PathIn(folder), QJsonDocument(top).toJson(), error);
}

const PairedDevice* PairedDevices::FindByPin(const QByteArray& pin) const {
  const auto found = std::find_if(m_devices.begin(), m_devices.end(),
                                  [&](const PairedDevice& device) { return device.pin == pin; });
  return found != m_devices.end() ? &*found : nullptr;
}

const PairedDevice* PairedDevices::FindByName(const QString& name) const {
  const auto found = std::find_if(m_devices.begin(), m_devices.end(),
                                  [&](const PairedDevice& device) { return device.name == name; });
  return found != m_devices.end() ? &*found : nullptr;
}

void PairedDevices::Put(const PairedDevice& device) {
  std::erase_if(m_devices, [&](const PairedDevice& known) {
    return known.name == device.name || known.pin == device.pin;
  });
  m_devices.push_back(device);
}

bool PairedDevices::Remove(const QString& name) {
  return std::erase_if(m_devices, [&](const PairedDevice& device) { return device.name == name; }) >
         0;
}

}  // namespace platform
