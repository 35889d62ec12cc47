#include "app/RegisteredMessages.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace registered_messages {
namespace {

struct Table {
  QMutex mutex;
  QHash<QString, uint32_t> byName;
  QHash<uint32_t, QString> byNumber;
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

uint32_t Register(const QString& name) {
  Table& table = TheTable();
  QMutexLocker lock(&table.mutex);
  // Names compare without regard to letter case, as window-message names do.
  const QString key = name.toLower();
  if (const uint32_t known = table.byName.value(key, 0); known != 0) {
    return known;
  }
  const uint32_t next = kFirst + static_cast<uint32_t>(table.byName.size());
  if (next > kLast) {
    return 0;
  }
  table.byName.insert(key, next);
  table.byNumber.insert(next, name);
  return next;
}

QString NameOf(uint32_t message) {
  Table& table = TheTable();
  QMutexLocker lock(&table.mutex);
  return table.byNumber.value(message);
}

RegisteredMessageEvent::RegisteredMessageEvent(uint32_t message)
    : QEvent(EventType()), m_message(message) {}

QEvent::Type RegisteredMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace registered_messages
