#include "sync/WardSettings.h"

#include <QUrl>
#include <algorithm>

#include "platform/Registry.h"

namespace ward_sync {
namespace {

QString KeyPath() {
  return QStringLiteral("Software\\Quillfen\\") + QLatin1String(kSettingsKey);
}

}  // namespace

Settings LoadSettings() {
  Settings settings;
  platform::RegistryKey key;
  if (key.Open(platform::Hive::CurrentUser, KeyPath())) {
    QString interval;
    key.QueryString(QLatin1String(kServerValue), settings.server);
    key.QueryString(QLatin1String(kUserValue), settings.user);
    key.QueryString(QLatin1String(kIntervalValue), interval);
    settings.intervalMinutes = std::max(0, interval.toInt());
  }
  return settings;
}

bool SaveSettings(const Settings& settings) {
  platform::RegistryKey key;
  return key.Create(platform::Hive::CurrentUser, KeyPath()) &&
         key.SetString(QLatin1String(kServerValue), settings.server) &&
         key.SetString(QLatin1String(kUserValue), settings.user) &&
         key.SetString(QLatin1String(kIntervalValue), QString::number(settings.intervalMinutes));
}

QString ConnectionString(const Settings& settings) {
  const QString server = settings.server.trimmed();
  const QString user = settings.user.trimmed();
  if (server.isEmpty() || user.isEmpty()) {
    return server;
  }
  if (server.startsWith(QLatin1String("postgresql://")) ||
      server.startsWith(QLatin1String("postgres://"))) {
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(user));
    return server + (server.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) +
           QStringLiteral("user=") + encoded;
  }
  QString quoted = user;
  quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  quoted.replace(QLatin1String("'"), QLatin1String("\\'"));
  return server + QStringLiteral(" user='") + quoted + QLatin1Char('\'');
}

}  // namespace ward_sync
