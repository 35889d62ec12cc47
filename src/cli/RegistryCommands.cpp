#include "cli/Command.h"
#include "platform/Registry.h"

namespace cli {
namespace {

using platform::Hive;
using platform::RegistryKey;
using platform::ValueType;

bool ParseHive(const QString& text, Hive& hive) {
  if (text.compare(QLatin1String("HKCU"), Qt::CaseInsensitive) == 0) {
    hive = Hive::CurrentUser;
    return true;
  }
  if (text.compare(QLatin1String("HKLM"), Qt::CaseInsensitive) == 0) {
    hive = Hive::LocalMachine;
    return true;
  }
  return false;
}

QString TypeName(ValueType type) {
  switch (type) {
    case ValueType::Sz:
      return QStringLiteral("sz");
    case ValueType::Dword:
      return QStringLiteral("dword");
    case ValueType::Binary:
      return QStringLiteral("binary");
  }
  return QStringLiteral("type%1").arg(static_cast<uint32_t>(type));
}

// The data in the form that reg set takes back.
QString DataText(ValueType type, const QByteArray& data) {
  QString text;
  uint32_t dword = 0;
  if (type == ValueType::Sz && RegistryKey::DecodeString(data, text)) {
    return text;
  }
  if (type == ValueType::Dword && data.size() == 4) {
    for (int i = 3; i >= 0; --i) {
      dword = dword << 8 | static_cast<uint8_t>(data[i]);
    }
    return QString::number(dword);
  }
  return QString::fromLatin1(data.toHex());
}

int Get(Context& context, const QStringList& words) {
  Hive hive;
  if (words.size() != 3 || !ParseHive(words[0], hive)) {
    return BadInput(context, QStringLiteral("usage: reg get HKCU|HKLM KEY VALUE"));
  }
  RegistryKey key;
  ValueType type;
  QByteArray data;
  if (!key.Open(hive, words[1]) || !key.Query(words[2], type, data)) {
    // A registry that cannot be read is damaged, not empty.
    return context.DeviceFailed()
               ? DeviceFailure(context)
               : BadInput(context, QStringLiteral("no value %1 under %2").arg(words[2], words[1]));
  }
  context.out << TypeName(type) << '\t' << DataText(type, data) << Qt::endl;
  return kSuccess;
}

int Set(Context& context, const QStringList& words) {
  Hive hive;
  if (words.size() != 5 || !ParseHive(words[0], hive)) {
    return BadInput(context,
                    QStringLiteral("usage: reg set HKCU|HKLM KEY VALUE sz|dword|binary DATA"));
  }
  const QString& type = words[3];
  const QString& data = words[4];
  RegistryKey key;
  if (!key.Create(hive, words[1])) {
    return Failure(context, QStringLiteral("cannot create the key %1").arg(words[1]));
  }
  bool stored = false;
  if (type == QLatin1String("sz")) {
    stored = key.SetString(words[2], data);
  } else if (type == QLatin1String("dword")) {
    bool ok = false;
    const uint32_t value = data.toUInt(&ok, 0);
    if (!ok) {
      return BadInput(context, QStringLiteral("a dword must be a number: %1").arg(data));
    }
    stored = key.SetDword(words[2], value);
  } else if (type == QLatin1String("binary")) {
    const QByteArray hex = data.toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (hex.size() % 2 != 0 || bytes.toHex() != hex.toLower()) {
      return BadInput(context, QStringLiteral("binary data must be hex digits: %1").arg(data));
    }
    stored = key.SetBinary(words[2], bytes);
  } else {
    return BadInput(context, QStringLiteral("unknown type %1 (sz, dword or binary)").arg(type));
  }
  return stored ? kSuccess : Failure(context, QStringLiteral("the value could not be stored"));
}

}  // namespace

int RunRegistry(Context& context, const QStringList& arguments) {
  const QString action = arguments.value(0);
  if (action == QLatin1String("get")) {
    return Get(context, arguments.mid(1));
  }
  if (action == QLatin1String("set")) {
    return Set(context, arguments.mid(1));
  }
  return BadInput(context, QStringLiteral("reg needs get or set"));
}

}  // namespace cli
