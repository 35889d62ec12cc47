#pragma once

#include <string>
#include <vector>

#include "platform/ObjectStore.h"

namespace platform::object_store {

// A match index of a volume: for each record, its first sort key and one text made of the values
// of a list of properties (each value's length in bytes, a colon and the value, one after the
// other), or NULL when the record lacks one of them. It lives in vN_match, indexed on (key, text),
// and triggers on the volume's tables keep it: SQLite runs them for every change, whichever
// program makes it. So "the first record with this key whose properties hold these texts" is one
// descent of that index, however many records share the key. match_indexes names the properties
// of each volume's index. docs/store-file.md describes the tables.

enum class MatchIndexState { kReady, kAbsent, kFailed };

// Makes sure the volume has a match index on exactly these properties, building it when it is
// missing or indexes others. kAbsent when the file is read-only and has none (the seeks then go
// without it); kFailed when building failed (reported).
MatchIndexState EnsureMatchIndex(Connection& connection, const VolumeInfo& volume,
                                 const std::vector<PropId>& properties);

// The statement of a match seek: ?1 the key, ?2 onwards the values of the properties in the order
// of the index. It answers the id and sort key (of the order sortIndex) of the first record, by
// id, whose key equals ?1 as the first sort order compares and whose properties hold exactly
// those texts. indexed: through the match index, else over the records of the key.
std::string MatchSeekSql(int64_t volume, int sortIndex, const std::vector<PropId>& properties,
                         bool indexed);

// The statement of the seek for records of a key that the match index files under no text (they
// lack one of the properties): ?1 the key, ?2 the record id to go on after.
std::string IncompleteSeekSql(int64_t volume, int sortIndex, const std::vector<PropId>& properties,
                              bool indexed);

// For the full check of the device: the statement that counts the records of the volume whose
// entry in its match index on these properties is missing or wrong, and the entries of records
// that are gone; and the properties as match_indexes lists them.
std::string MatchDisagreementSql(int64_t volume, const std::vector<PropId>& properties);
std::vector<PropId> ParsePropertyList(const QString& list);

}  // namespace platform::object_store
