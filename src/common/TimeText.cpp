// The time operations of CDBBaseDatabase: the stored day and hour strings and the display texts.
#include "common/CDBBaseDatabase.h"

namespace {

SYSTEMTIME Parts(const FILETIME& time) {
  SYSTEMTIME parts;
  filetime::ToSystemTime(time, parts);
  return parts;
}

bool AllDigits(QStringView text) {
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') {
      return false;
    }
  }
  return true;
}

uint16_t Number(QStringView text) {
  return static_cast<uint16_t>(text.toUInt());
}

}  // namespace

QString CDBBaseDatabase::GetCurrentTimeStamp() {
  FILETIME now;
  GetCurrentTime(now);
  return TimeToDayHourString(now);
}

QString CDBBaseDatabase::TimeToDayString(const FILETIME& time) {
  const SYSTEMTIME parts = Parts(time);
  return QString::asprintf("%04u%02u%02u", parts.wYear, parts.wMonth, parts.wDay);
}

QString CDBBaseDatabase::TimeToHourString(const FILETIME& time) {
  const SYSTEMTIME parts = Parts(time);
  return QString::asprintf("%02u%02u%02u", parts.wHour, parts.wMinute, parts.wSecond);
}

QString CDBBaseDatabase::TimeToDayHourString(const FILETIME& time) {
  return TimeToDayString(time) + TimeToHourString(time);
}

FILETIME CDBBaseDatabase::StringToTime(const QString& text) {
  const QStringView view(text);
  if ((view.size() != 8 && view.size() != 14) || !AllDigits(view)) {
    return FILETIME{};
  }
  SYSTEMTIME parts;
  parts.wYear = Number(view.mid(0, 4));
  parts.wMonth = Number(view.mid(4, 2));
  parts.wDay = Number(view.mid(6, 2));
  if (view.size() == 14) {
    parts.wHour = Number(view.mid(8, 2));
    parts.wMinute = Number(view.mid(10, 2));
    parts.wSecond = Number(view.mid(12, 2));
  }
  FILETIME result;
  return filetime::FromSystemTime(parts, result) ? result : FILETIME{};
}

QString CDBBaseDatabase::GetFormattedDateTime(const FILETIME& time, bool withTime) {
  const SYSTEMTIME parts = Parts(time);
  QString text = QString::asprintf("%02u/%02u/%04u", parts.wMonth, parts.wDay, parts.wYear);
  if (withTime) {
    const unsigned hour12 = parts.wHour % 12 == 0 ? 12u : parts.wHour % 12u;
    text +=
        QString::asprintf(" %02u:%02u %s", hour12, parts.wMinute, parts.wHour < 12 ? "AM" : "PM");
  }
  return text;
}
