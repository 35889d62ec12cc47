#include "shell/Options.h"

#include "common/StringIds.h"
#include "common/StringTable.h"
#include "platform/Registry.h"

namespace app_options {
namespace {

constexpr char16_t kScramble = 0x5A;

QString Name(const char* name) {
  return QString::fromLatin1(name);
}

}  // namespace

QByteArray ScramblePassword(const QString& password) {
  QByteArray stored;
  stored.reserve((password.size() + 1) * 2);
  for (const QChar c : password) {
    const char16_t unit = static_cast<char16_t>(c.unicode() ^ kScramble);
    stored.append(static_cast<char>(unit & 0xFF));
    stored.append(static_cast<char>(unit >> 8));
  }
  stored.append(2, '\0');
  return stored;
}

bool UnscramblePassword(const QByteArray& stored, QString& password) {
  if (stored.size() < 2 || stored.size() % 2 != 0) {
    return false;
  }
  const qsizetype units = stored.size() / 2;
  const auto unitAt = [&stored](qsizetype i) {
    return static_cast<char16_t>(static_cast<uint8_t>(stored[2 * i]) |
                                 (static_cast<uint8_t>(stored[2 * i + 1]) << 8));
  };
  if (unitAt(units - 1) != 0) {
    return false;
  }
  QString result;
  result.reserve(units - 1);
  for (qsizetype i = 0; i + 1 < units; ++i) {
    result.append(QChar(static_cast<char16_t>(unitAt(i) ^ kScramble)));
  }
  password = result;
  return true;
}

void ReadOptions(QString* password, QString* hint, uint32_t* timeout) {
  if (password != nullptr) {
    *password = Name(kDefaultPassword);
  }
  if (hint != nullptr) {
    *hint = strings::Load(ids::kDefaultPasswordHint);
  }
  if (timeout != nullptr) {
    *timeout = kDefaultTimeout;
  }
  platform::RegistryKey key;
  if (!key.Open(platform::Hive::CurrentUser, Name(kOptionsKey))) {
    return;
  }
  if (password != nullptr) {
    platform::ValueType type{};
    QByteArray data;
    QString stored;
    if (key.Query(Name(kPasswordValue), type, data) && UnscramblePassword(data, stored)) {
      *password = stored;
    }
  }
  if (hint != nullptr) {
    QString stored;
    if (key.QueryString(Name(kHintValue), stored)) {
      *hint = stored;
    }
  }
  if (timeout != nullptr) {
    uint32_t stored = 0;
    if (key.QueryDword(Name(kTimeoutValue), stored)) {
      *timeout = stored;
    }
  }
}

bool WriteOptions(const QString* password, const QString* hint, const uint32_t* timeout) {
  platform::RegistryKey key;
  if (!key.Create(platform::Hive::CurrentUser, Name(kOptionsKey))) {
    return false;
  }
  bool written = true;
  if (password != nullptr) {
    written = key.SetBinary(Name(kPasswordValue), ScramblePassword(*password)) && written;
  }
  if (hint != nullptr) {
    written = key.SetString(Name(kHintValue), *hint) && written;
  }
  if (timeout != nullptr) {
    written = key.SetDword(Name(kTimeoutValue), *timeout) && written;
  }
  return written;
}

bool ReadSplitPosition(const QString& valueName, uint32_t& height) {
  platform::RegistryKey key;
  return key.Open(platform::Hive::CurrentUser, Name(kOptionsKey)) &&
         key.QueryDword(valueName, height);
}

bool WriteSplitPosition(const QString& valueName, uint32_t height) {
  platform::RegistryKey key;
  return key.Create(platform::Hive::CurrentUser, Name(kOptionsKey)) &&
         key.SetDword(valueName, height);
}

bool DesktopCompanionInstalled() {
  platform::RegistryKey key;
  if (!key.Open(platform::Hive::LocalMachine, Name(kInstallKey))) {
    return false;
  }
  platform::ValueType type{};
  QByteArray data;
  return key.Query(Name(kDesktopCompanionValue), type, data);
}

}  // namespace app_options
