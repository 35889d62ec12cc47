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

// The value with at least width digits, zeros in front, as "%0*u" writes it (without its cost:
// every record filed makes its day and hour strings).
void AppendPadded(QString& out, unsigned value, int width) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = count; i < width; ++i) {
    out += QLatin1Char('0');
  }
  while (count > 0) {
    out += QLatin1Char(digits[--count]);
  }
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
  QString text;
  text.reserve(8);
  AppendPadded(text, parts.wYear, 4);
  AppendPadded(text, parts.wMonth, 2);
  AppendPadded(text, parts.wDay, 2);
  return text;
}

QString CDBBaseDatabase::TimeToHourString(const FILETIME& time) {
  const SYSTEMTIME parts = Parts(time);
  QString text;
  text.reserve(6);
  AppendPadded(text, parts.wHour, 2);
  AppendPadded(text, parts.wMinute, 2);
  AppendPadded(text, parts.wSecond, 2);
  return text;
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
