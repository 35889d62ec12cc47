#include "platform/ValueRules.h"

namespace value_rules {

bool ValidText(const QString& text) {
  return !text.contains(QChar(0));
}

bool ValidName(const QString& name) {
  return !name.isEmpty() && ValidText(name);
}

bool ValidTime(const FILETIME& time) {
  SYSTEMTIME parts;
  return filetime::IsZero(time) || (filetime::ToSystemTime(time, parts) && parts.wYear <= 9999);
}

bool ValidAccessState(int64_t state) {
  return state >= 0 && state <= 2;
}

}  // namespace value_rules
