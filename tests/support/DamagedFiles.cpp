#include "support/DamagedFiles.h"

#include <QDir>
#include <QFile>

#include "platform/Device.h"
#include "platform/PropertyDatabase.h"

namespace damaged_files {

constexpr int kPageSize = 4096;

void FillDevice(const QString& folder, int count) {
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  platform::PropertyDatabase::Create(QStringLiteral("Filler"), {{1, true}});
  platform::PropertyDatabase db;
  db.Open(QStringLiteral("Filler"));
  const QString text(200, QLatin1Char('x'));
  for (int i = 0; i < count; ++i) {
    db.Add({{1, QStringLiteral("key %1").arg(i, 6, 10, QLatin1Char('0'))}, {2, text}});
  }
}

void DamageFile(const QString& path, Damage damage) {
  QFile file(path);
  switch (damage) {
    case Damage::kCutInHalf:
      file.resize(file.size() / 2);
      return;
    case Damage::kZeroedPage:
      if (file.open(QIODevice::ReadWrite)) {
        file.seek((file.size() / kPageSize / 2) * kPageSize);
        file.write(QByteArray(kPageSize, '\0'));
      }
      return;
    case Damage::kBadHeader:
      if (file.open(QIODevice::ReadWrite)) {
        file.write(QByteArray(16, 'Z'));
      }
      return;
    case Damage::kFolder:
      QFile::remove(path);
      QDir().mkpath(path);
      return;
    case Damage::kEmptied:
      file.resize(0);
      return;
    case Damage::kRemoved:
      QFile::remove(path);
      return;
  }
}

QString ObjectStorePath(const QString& folder) {
  return folder + QLatin1Char('/') + QLatin1String(platform::Device::kObjectStoreFile);
}

QString RegistryPath(const QString& folder) {
  return folder + QLatin1Char('/') + QLatin1String(platform::Device::kRegistryFile);
}

}  // namespace damaged_files
