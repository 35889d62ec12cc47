#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/Command.h"
#include "platform/PropertyDatabase.h"

namespace cli {
namespace {

QJsonObject DumpVolume(const QString& name) {
  QJsonArray records;
  platform::PropertyDatabase db;
  if (db.Open(name)) {
    platform::Record record;
    for (platform::RecordId id = db.SeekFirst(); id != 0; id = db.SeekNext()) {
      if (!db.Read(record)) {
        if (db.LastError().Failed()) {
          break;
        }
        continue;
      }
      QJsonObject properties;
      for (const platform::Property& property : record.Properties()) {
        properties.insert(QString::number(property.id), property.value);
      }
      records.append(QJsonObject{{"id", static_cast<qint64>(id)}, {"properties", properties}});
    }
  }
  return QJsonObject{{"name", name}, {"records", records}};
}

}  // namespace

// The property databases as JSON: each record with its record id and its properties by id, in
// the database's first sort order.
int RunDump(Context& context, const QStringList& arguments) {
  const std::vector<QString> existing = platform::PropertyDatabase::Names();
  QStringList names = arguments;
  if (names.isEmpty()) {
    names = QStringList(existing.begin(), existing.end());
  }
  QJsonArray volumes;
  for (const QString& name : names) {
    if (!platform::PropertyDatabase::Exists(name)) {
      return context.DeviceFailed()
                 ? DeviceFailure(context)
                 : BadInput(context, QStringLiteral("no database named %1").arg(name));
    }
    volumes.append(DumpVolume(name));
  }
  // Nothing is printed from a device that could not be read whole.
  if (context.DeviceFailed()) {
    return DeviceFailure(context);
  }
  context.out << QJsonDocument(QJsonObject{{"volumes", volumes}}).toJson(QJsonDocument::Indented);
  context.out.flush();
  return kSuccess;
}

}  // namespace cli
