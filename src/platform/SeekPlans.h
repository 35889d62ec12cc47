#pragma once

#include <cstdint>
#include <string>

namespace platform::object_store {

// The moves of a handle through a volume. Records stand in (sort key, record id) order.
enum SeekKind { kFirst, kLast, kNext, kPrevious, kById, kEqual, kGreaterOrEqual, kLastLessThan };

inline constexpr int kSeekKinds = kLastLessThan + 1;

// What a seek's statement binds: ?1 the key (for next and previous the current key), ?2 the
// record id (for next and previous the current id).
struct SeekBindings {
  bool key;
  bool id;
};

SeekBindings BindingsOf(SeekKind kind);

// The statement of one seek on volume's records sorted on sortIndex: it answers at most one row,
// the id and the sort key of the record reached. Each is one descent of the index (key, id) or of
// the table's rowid tree, whatever the number of records and of equal keys.
std::string SeekSql(int64_t volume, int sortIndex, SeekKind kind);

}  // namespace platform::object_store
