#include "common/DateChoices.h"

#include <QDate>

#include "common/StringIds.h"
#include "common/StringTable.h"

namespace date_choices {

bool IsDecade(int32_t choiceId) {
  return choiceId >= ids::kDecadeFirst && choiceId <= ids::kDecadeLast;
}

SYSTEMTIME DecadeStart(int32_t decadeId) {
  SYSTEMTIME start{};
  start.wYear = static_cast<uint16_t>(1915 + 10 * (decadeId - ids::kDecadeFirst));
  start.wMonth = 6;
  start.wDay = 15;
  start.wHour = 1;
  start.wSecond = 1;
  start.wDayOfWeek =
      static_cast<uint16_t>(QDate(start.wYear, start.wMonth, start.wDay).dayOfWeek() % 7);
  return start;
}

QString DateText(const SYSTEMTIME& date) {
  const QDate day(date.wYear, date.wMonth, date.wDay);
  if (!day.isValid()) {
    return {};
  }
  return strings::FormatId(ids::kDobText, strings::Load(ids::kWeekdayFirst + day.dayOfWeek() % 7),
                           int{date.wMonth}, int{date.wDay}, int{date.wYear});
}

}  // namespace date_choices
