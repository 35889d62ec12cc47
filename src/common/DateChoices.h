#pragma once

#include <QString>
#include <cstdint>

#include "platform/FileTime.h"

// The choices of a date row ("No Date" and the decades "1910's" ... "2000's") and the text a
// date row shows.
namespace date_choices {

bool IsDecade(int32_t choiceId);

// Where the date picker opens for a decade choice: 15 June of the decade's fifth year, 01:00:01
// ("1950's" opens on 15 June 1955).
SYSTEMTIME DecadeStart(int32_t decadeId);

// "Monday 6/15/1955": the weekday's name, then month/day/year; empty for a date that is none.
QString DateText(const SYSTEMTIME& date);

}  // namespace date_choices
