#pragma once

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/FileTime.h"

class CDBBaseDatabase;
class CDBPatient;
class CDBLabValues;
class CDBMeds;
class CDBNotes;
class CDBTest;
class CDBToDo;
class CDBVitals;
class CDBMedsFavorites;
class CDBDatedStore;

// The members of one record, bound by name: the one description from which a record is written to
// a backup document or a ward server's row and read back. Fields are named after the stores'
// members.
namespace record_fields {

// A signed field with the range of values it may hold.
struct Number {
  const char* name;
  int32_t* value;
  int32_t low = INT32_MIN;
  int32_t high = INT32_MAX;
};

struct Fields {
  std::vector<std::pair<const char*, QString*>> texts;
  std::vector<std::pair<const char*, FILETIME*>> times;  // zero = null
  std::vector<Number> numbers;
  std::vector<std::pair<const char*, uint32_t*>> unsignedNumbers;
};

// The access states a record can have: made on the device, read-only, read/write.
constexpr int32_t kHighestAccessState = 2;

// The desktop identifier and access state of a record.
void AddSync(Fields& fields, CDBBaseDatabase& store);

Fields Bind(CDBPatient& p);
Fields Bind(CDBLabValues& r);
Fields Bind(CDBMeds& r);
Fields Bind(CDBNotes& r);
Fields Bind(CDBTest& r);
Fields Bind(CDBToDo& r);
Fields Bind(CDBVitals& r);
Fields Bind(CDBMedsFavorites& r);

// Times as ISO 8601 local times YYYY-MM-DDThh:mm:ss, with a fraction of a second only when there
// is one; parsing takes nothing before or after the time.
QString IsoTime(const FILETIME& time);
bool ParseIsoTime(const QString& text, FILETIME& out);

}  // namespace record_fields
