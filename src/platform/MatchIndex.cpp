#include "platform/MatchIndex.h"

#include <QStringList>
#include <algorithm>

namespace platform::object_store {
namespace {

std::string MatchTable(int64_t volume) {
  return "v" + std::to_string(volume) + "_match";
}

std::string PropertyList(const std::vector<PropId>& properties) {
  std::string list;
  for (const PropId property : properties) {
    list += (list.empty() ? "" : ",") + std::to_string(property);
  }
  return list;
}

// One value as the match text holds it: its length in bytes (of the file's UTF-16), a colon, the
// value. Lengths make the joined text tell every list of values apart, whatever they hold.
std::string Piece(const std::string& value) {
  return "(length(CAST(" + value + " AS BLOB)) || ':' || " + value + ")";
}

// The match text of the record whose id is the expression record: NULL when it lacks one of the
// properties, because || with NULL gives NULL.
std::string StoredText(int64_t volume, const std::vector<PropId>& properties,
                       const std::string& record) {
  std::string text;
  for (const PropId property : properties) {
    text += (text.empty() ? "" : " || ") +
            ("(SELECT " + Piece("val") + " FROM " + PropTable(volume) + " WHERE rec = " + record +
             " AND pid = " + std::to_string(property) + ")");
  }
  return text;
}

// The match text of the values bound from ?2 onwards.
std::string BoundText(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += (text.empty() ? "" : " || ") + Piece("?" + std::to_string(i + 2));
  }
  return text;
}

// Every trigger that keeps the index. A record's text is made when its row is added (from the
// properties already there) and again when its last indexed property is added, which is how
// PropertyDatabase::Add writes them, in id order. Adding any other indexed property clears it,
// and so does deleting one: a record whose text is cleared is filed as lacking a property, and
// the seek for those checks each one itself, so the index is never wrong about a record, only at
// worst less helpful (a writer that adds the last property first).
std::string TriggersSql(int64_t volume, const std::vector<PropId>& properties) {
  const std::string table = MatchTable(volume);
  const std::string rec = RecTable(volume);
  const std::string prop = PropTable(volume);
  const std::string last = std::to_string(*std::max_element(properties.begin(), properties.end()));
  const std::string all = "(" + PropertyList(properties) + ")";
  const auto trigger = [&table](const std::string& name, const std::string& when,
                                const std::string& body) {
    return "CREATE TRIGGER " + table + "_" + name + " AFTER " + when + " BEGIN " + body + " END;";
  };
  const auto refill = [&](const std::string& record) {
    return "INSERT OR REPLACE INTO " + table + "(rec, k, val) SELECT id, k1, " +
           StoredText(volume, properties, "id") + " FROM " + rec + " WHERE id = " + record + ";";
  };
  const auto clear = [&table](const std::string& record) {
    return "UPDATE " + table + " SET val = NULL WHERE rec = " + record + " AND val IS NOT NULL;";
  };
  std::string sql;
  sql += trigger("rec_insert", "INSERT ON " + rec, refill("NEW.id"));
  sql += trigger("rec_update", "UPDATE ON " + rec,
                 "DELETE FROM " + table + " WHERE rec = OLD.id; " + refill("NEW.id"));
  sql += trigger("rec_delete", "DELETE ON " + rec, "DELETE FROM " + table + " WHERE rec = OLD.id;");
  sql += trigger("prop_insert_last", "INSERT ON " + prop + " WHEN NEW.pid = " + last,
                 refill("NEW.rec"));
  sql += trigger("prop_insert",
                 "INSERT ON " + prop + " WHEN NEW.pid IN " + all + " AND NEW.pid <> " + last,
                 clear("NEW.rec"));
  sql += trigger("prop_update",
                 "UPDATE ON " + prop + " WHEN (OLD.pid IN " + all + " OR NEW.pid IN " + all +
                     ") AND (OLD.val IS NOT NEW.val OR OLD.rec <> NEW.rec OR OLD.pid <> NEW.pid)",
                 refill("OLD.rec") + " " + refill("NEW.rec"));
  sql += trigger("prop_delete", "DELETE ON " + prop + " WHEN OLD.pid IN " + all, clear("OLD.rec"));
  return sql;
}

const char* const kTriggerNames[] = {"rec_insert",  "rec_update",  "rec_delete", "prop_insert_last",
                                     "prop_insert", "prop_update", "prop_delete"};

// Drops an index of the volume that another list of properties made, then makes this one.
bool Build(Connection& connection, const VolumeInfo& volume,
           const std::vector<PropId>& properties) {
  const std::string table = MatchTable(volume.number);
  std::string sql = "DROP TABLE IF EXISTS " + table + ";";
  for (const char* name : kTriggerNames) {
    sql += "DROP TRIGGER IF EXISTS " + table + "_" + name + ";";
  }
  const char* collation = volume.firstOrderCaseInsensitive ? kNoCase : kBinary;
  sql += "CREATE TABLE " + table + "(rec INTEGER PRIMARY KEY, k TEXT NOT NULL COLLATE " +
         collation + ", val TEXT);";
  sql += "CREATE INDEX " + table + "_kv ON " + table + "(k, val);";
  sql += TriggersSql(volume.number, properties);
  sql += "INSERT INTO " + table + "(rec, k, val) SELECT id, k1, " +
         StoredText(volume.number, properties, "id") + " FROM " + RecTable(volume.number) + ";";
  if (!ExecuteScript(connection.db, sql)) {
    return false;
  }
  Statement name(connection,
                 "INSERT INTO match_indexes(num, props) VALUES(?1, ?2)"
                 " ON CONFLICT(num) DO UPDATE SET props = excluded.props");
  name.Bind(1, volume.number);
  name.Bind(2, QString::fromStdString(PropertyList(properties)));
  return name.Run();
}

bool HasIndex(Connection& connection, int64_t volume, const std::string& list) {
  Statement find(connection, "SELECT props FROM match_indexes WHERE num = ?1");
  find.Bind(1, volume);
  return find.Step() == SQLITE_ROW && find.Text(0) == QString::fromStdString(list);
}

}  // namespace

MatchIndexState EnsureMatchIndex(Connection& connection, const VolumeInfo& volume,
                                 const std::vector<PropId>& properties) {
  if (!connection.hasMatchIndexes) {
    return MatchIndexState::kAbsent;
  }
  const std::string list = PropertyList(properties);
  if (HasIndex(connection, volume.number, list)) {
    return MatchIndexState::kReady;
  }
  if (sqlite3_db_readonly(connection.db, "main") == 1) {
    return MatchIndexState::kAbsent;
  }
  // Looked for again under the write lock: another process may have built it meanwhile.
  Transaction transaction(connection);
  const bool built = transaction.Active() && (HasIndex(connection, volume.number, list) ||
                                              Build(connection, volume, properties));
  return built && transaction.Commit() ? MatchIndexState::kReady : MatchIndexState::kFailed;
}

std::string MatchSeekSql(int64_t volume, int sortIndex, const std::vector<PropId>& properties,
                         bool indexed) {
  const std::string key = KeyColumn(sortIndex);
  const std::string bound = BoundText(properties.size());
  if (indexed) {
    return "SELECT r.id, r." + key + " FROM " + MatchTable(volume) + " m JOIN " + RecTable(volume) +
           " r ON r.id = m.rec WHERE m.k = ?1 AND m.val = " + bound + " ORDER BY m.rec LIMIT 1";
  }
  return "SELECT id, " + key + " FROM " + RecTable(volume) + " WHERE k1 = ?1 AND " +
         StoredText(volume, properties, "id") + " = " + bound + " ORDER BY k1, id LIMIT 1";
}

std::string IncompleteSeekSql(int64_t volume, int sortIndex, const std::vector<PropId>& properties,
                              bool indexed) {
  const std::string key = KeyColumn(sortIndex);
  if (indexed) {
    return "SELECT r.id, r." + key + " FROM " + MatchTable(volume) + " m JOIN " + RecTable(volume) +
           " r ON r.id = m.rec WHERE m.k = ?1 AND m.val IS NULL AND m.rec > ?2"
           " ORDER BY m.rec LIMIT 1";
  }
  return "SELECT id, " + key + " FROM " + RecTable(volume) + " WHERE k1 = ?1 AND id > ?2 AND " +
         StoredText(volume, properties, "id") + " IS NULL ORDER BY k1, id LIMIT 1";
}

std::string MatchDisagreementSql(int64_t volume, const std::vector<PropId>& properties) {
  const std::string table = MatchTable(volume);
  const std::string rec = RecTable(volume);
  return "SELECT (SELECT count(*) FROM " + rec + " r LEFT JOIN " + table +
         " m ON m.rec = r.id WHERE m.rec IS NULL OR m.k <> r.k1 COLLATE ov_binary"
         " OR (m.val IS NOT NULL AND m.val IS NOT " +
         StoredText(volume, properties, "r.id") + ")) + (SELECT count(*) FROM " + table +
         " m WHERE NOT EXISTS (SELECT 1 FROM " + rec + " WHERE id = m.rec))";
}

std::vector<PropId> ParsePropertyList(const QString& list) {
  std::vector<PropId> properties;
  for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    bool ok = false;
    const uint value = item.toUInt(&ok);
    if (!ok || value == 0 || value > 0xFFFF) {
      return {};
    }
    properties.push_back(static_cast<PropId>(value));
  }
  return properties;
}

}  // namespace platform::object_store
