#include "platform/SeekPlans.h"

#include "platform/ObjectStore.h"

namespace platform::object_store {
namespace {

struct SeekPlan {
  const char* where;  // {k} stands for the key column
  bool descending;
  SeekBindings binds;
};

constexpr SeekPlan kPlans[kSeekKinds] = {
    {"", false, {false, false}},                // first
    {"", true, {false, false}},                 // last
    {"", false, {true, true}},                  // next: see StepSql
    {"", true, {true, true}},                   // previous: see StepSql
    {"WHERE id = ?2", false, {false, true}},    // by id
    {"WHERE {k} = ?1", false, {true, false}},   // equal
    {"WHERE {k} >= ?1", false, {true, false}},  // greater or equal
    {"WHERE {k} < ?1", true, {true, false}},    // last less than
};

std::string WithKey(std::string text, const std::string& key) {
  for (size_t at = text.find("{k}"); at != std::string::npos; at = text.find("{k}")) {
    text.replace(at, 3, key);
  }
  return text;
}

std::string Ordered(const std::string& select, const std::string& key, bool descending) {
  const char* direction = descending ? " DESC" : "";
  return select + " ORDER BY " + key + direction + ", id" + direction + " LIMIT 1";
}

// Next and previous in two parts, each one descent: the rest of the records with the current key
// (by id), else the first record of the keys beyond it. One range on (key, id) read as row values
// would be planned as a range on the key alone, stepping over every record with the current key
// each time, so that a walk over n equal keys would cost n squared.
std::string StepSql(const std::string& select, const std::string& key, bool descending) {
  const char* beyond = descending ? " < ?1" : " > ?1";
  const char* onward = descending ? " < ?2" : " > ?2";
  const std::string sameKey =
      Ordered(select + " WHERE " + key + " = ?1 AND id" + onward, key, descending);
  const std::string laterKeys = Ordered(select + " WHERE " + key + beyond, key, descending);
  const std::string outer = "SELECT id, " + key + " FROM (";
  return outer + sameKey + ") UNION ALL " + outer + laterKeys + ") LIMIT 1";
}

}  // namespace

SeekBindings BindingsOf(SeekKind kind) {
  return kPlans[kind].binds;
}

std::string SeekSql(int64_t volume, int sortIndex, SeekKind kind) {
  const SeekPlan& plan = kPlans[kind];
  const std::string key = KeyColumn(sortIndex);
  const std::string select = "SELECT id, " + key + " FROM " + RecTable(volume);
  if (kind == kNext || kind == kPrevious) {
    return StepSql(select, key, plan.descending);
  }
  const std::string where = WithKey(plan.where, key);
  if (kind == kById) {
    return select + " " + where;  // at most one row; an ORDER BY could tempt the planner into
                                  // the key index
  }
  return Ordered(where.empty() ? select : select + " " + where, key, plan.descending);
}

}  // namespace platform::object_store
