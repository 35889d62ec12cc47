#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/StoreError.h"

namespace platform {

class SqliteStatement;
namespace object_store {
struct VolumeInfo;
class ReadTransaction;
}  // namespace object_store

using RecordId = uint32_t;
using PropId = uint16_t;

// One property of a record. Every value the program stores is a UTF-16 text. A property read by
// an explicit list comes back with notFound set when the record does not have it.
struct Property {
  PropId id = 0;
  QString value;
  bool notFound = false;
};

// A record as a list of properties, in the order read or to be written.
class Record {
 public:
  Record() = default;
  Record(std::initializer_list<Property> properties) : m_properties(properties) {}

  void Add(PropId id, const QString& value) { m_properties.push_back({id, value, false}); }
  void Clear() { m_properties.clear(); }
  // The property when the record has it and it is not marked as not found.
  const Property* Find(PropId id) const;
  const std::vector<Property>& Properties() const { return m_properties; }
  std::vector<Property>& Properties() { return m_properties; }

 private:
  std::vector<Property> m_properties;
};

// One sort order of a database: a property, ascending, compared case-insensitively or not.
// Records that lack the property sort as if it held the empty text.
struct SortOrder {
  PropId property = 0;
  bool caseInsensitive = true;
};

// A property database on the current device (Device::Current()), over SQLite. A handle opens one
// database sorted on one of its sort orders and keeps a current record. Every seek answers the
// record id reached, or 0 when there is none (the current record then stays where it was). Every
// seek is one descent of an index, whatever the number of records and of records with equal keys.
// Every change is one transaction, durable when the call returns.
//
// The current position is kept as (sort key, record id), so a move after the current record was
// deleted still reaches the record that followed it.
class PropertyDatabase {
 public:
  PropertyDatabase() = default;
  ~PropertyDatabase();
  PropertyDatabase(const PropertyDatabase&) = delete;
  PropertyDatabase& operator=(const PropertyDatabase&) = delete;

  // Creates a database with one or two sort orders; false when it exists or cannot be made.
  static bool Create(const QString& name, const std::vector<SortOrder>& sortOrders);
  static bool Exists(const QString& name);
  // Names of every database on the current device, in creation order.
  static std::vector<QString> Names();
  // Opens the current device's object store and reads its bookkeeping (format, record id
  // counter, mending a lost counter from the ids in use). False when that fails, reported.
  static bool Ready();

  // Opens the named database sorted on sort order sortIndex (0 = first); false when missing.
  bool Open(const QString& name, int sortIndex = 0);
  void Close();
  bool IsOpen() const { return m_volume != 0; }
  const QString& Name() const { return m_name; }

  RecordId SeekFirst();
  RecordId SeekLast();
  RecordId SeekNext();
  RecordId SeekPrevious();
  RecordId SeekById(RecordId id);
  RecordId SeekEqual(const QString& key);
  RecordId SeekGreaterOrEqual(const QString& key);
  RecordId SeekLastLessThan(const QString& key);
  // The first record, by record id, whose key (its first sort order's property) equals key as
  // that order compares and that holds every property of values with exactly that text. For the
  // lists of properties asked for, the database keeps indexes of its own (built on first use), so
  // this costs one seek however many records share the key.
  RecordId SeekMatch(const QString& key, const std::vector<Property>& values);
  // The next record after the record id after, by record id, whose key equals key and that such an
  // index could not file under the values of properties because it lacks one of them: the
  // candidates that a rule treating a missing property some other way must look at itself. It may
  // also answer a record that has them all (a writer that added the last of them before the
  // others); SeekMatch never misses a record that this does not answer.
  RecordId SeekIncomplete(const QString& key, const std::vector<PropId>& properties,
                          RecordId after);
  RecordId CurrentId() const { return m_currentId; }

  // Reads every property of the current record, in property id order.
  bool Read(Record& out);
  // Reads the listed properties of the current record; missing ones come back marked notFound.
  bool Read(Record& out, const std::vector<PropId>& properties);

  // Adds a record; answers its new id (0 on failure). The current record does not change.
  RecordId Add(const Record& record);
  // Writes the given properties over the current record; the record's other properties stay.
  bool WriteCurrent(const Record& record);
  bool Delete(RecordId id);
  uint32_t RecordCount();

  // The failure of the latest operation on this handle, with its cause; none when that operation
  // succeeded or merely found nothing. A seek that answers 0 or a read that answers false has
  // failed only when this says so.
  const StoreError& LastError() const { return m_lastError; }

 private:
  // Sets the slot, when it goes, to the failure reported meanwhile on this thread, or to none.
  class FailureWatch {
   public:
    explicit FailureWatch(StoreError& slot);
    ~FailureWatch();
    FailureWatch(const FailureWatch&) = delete;
    FailureWatch& operator=(const FailureWatch&) = delete;

   private:
    StoreError& m_slot;
    uint64_t m_start;
  };

  struct Position {
    QString key;
    RecordId id = 0;
  };
  // Runs one kind of seek (object_store::SeekKind) and moves to the record it finds.
  RecordId Seek(int kind, const QString& key = QString(), RecordId id = 0);
  // Moves to the record that the seek's first row names (id, key), if it gives one.
  RecordId MoveToRow(SqliteStatement& seek);
  RecordId MoveTo(const std::optional<Position>& position);
  // Whether a step forward (or back) from the current record reaches a record beyond it.
  bool Advances(const Position& reached, bool forward) const;
  object_store::VolumeInfo VolumeOpen() const;

  QString m_name;
  int64_t m_volume = 0;  // the database's number on the device; 0 = closed
  int m_sortIndex = 0;
  bool m_keyCaseInsensitive = true;    // how the first sort order compares
  bool m_orderCaseInsensitive = true;  // how the sort order opened compares
  RecordId m_currentId = 0;
  QString m_currentKey;
  StoreError m_lastError;
};

// Several changes of the current device's object store as one: every change made while the
// transaction lives becomes durable at Commit, or none does (the transaction rolls back when it
// goes without a commit, or when the process dies). Other processes wait for the device's write
// lock meanwhile, so a transaction is for one task (an import, deleting a patient), not for
// holding open. Begun inside another, it is a part of that one that can fail alone.
class StoreTransaction {
 public:
  StoreTransaction();
  ~StoreTransaction();
  StoreTransaction(const StoreTransaction&) = delete;
  StoreTransaction& operator=(const StoreTransaction&) = delete;

  // False when the transaction could not begin (reported); changes then stand alone.
  bool Active() const { return m_db != nullptr; }
  // True when every change is durable; false (reported) when nothing of them is.
  bool Commit();

 private:
  void Rollback();

  ::sqlite3* m_db = nullptr;
  bool m_nested = false;
};

// Many reads of the current device's object store that see one state of it and take its lock
// once, rather than at every read (a walk over every record to be sent). Writers of other
// processes go on meanwhile; a write on this connection while it lives is refused by SQLite
// only if it conflicts, so a snapshot is for reading.
class StoreSnapshot {
 public:
  StoreSnapshot();
  ~StoreSnapshot();
  StoreSnapshot(const StoreSnapshot&) = delete;
  StoreSnapshot& operator=(const StoreSnapshot&) = delete;

 private:
  std::unique_ptr<object_store::ReadTransaction> m_read;
};

}  // namespace platform
