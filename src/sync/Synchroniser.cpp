#include "sync/Synchroniser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <memory>
#include <set>

#include "common/CDBPatient.h"
#include "platform/BeamPairing.h"
#include "platform/BulkWriteScope.h"
#include "platform/ChangeLog.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"
#include "platform/PropertyDatabase.h"
#include "platform/Registry.h"
#include "platform/StoreError.h"
#include "platform/ValueRules.h"
#include "store/CDBChartStore.h"
#include "store/PatientDeletion.h"
#include "sync/SyncKinds.h"
#include "sync/WardConnection.h"
#include "sync/WardSchemaSql.h"

namespace ward_sync {
namespace {

using platform::RecordId;
namespace change_log = platform::change_log;

// Every change on the server takes this lock until its transaction ends (ward.stamp_change), so
// changes are numbered in the order they commit.
constexpr const char* kTakeWardLock = "SELECT pg_advisory_xact_lock(5262001)";
constexpr const char* kInstallKey = "Software\\Apps\\Quillfen, Inc. Ovelin";
constexpr size_t kInsertBatch = 2000;
const QString kStateWard = QStringLiteral("ward");
const QString kStateMark = QStringLiteral("server_mark");

// The columns of a server row as the synchronisation reads it; the kind's own columns follow.
enum HeadColumn {
  kId,
  kVersion,
  kChangedBy,
  kAccessState,
  kDeleted,
  kPatientName,
  kPatientAccess,
  kChangedAt,
  kPatientId,
  kFirstOwnColumn,
};

std::string Table(const Kind& kind) {
  return std::string("ward.") + kind.table;
}

std::string SelectRows(const Kind& kind) {
  std::string sql = "SELECT t.id, t.version, t.changed_by, t.access_state, t.deleted, ";
  sql += kind.scope == Scope::Chart ? "p.name, p.access_state" : "NULL, NULL";
  sql += kind.scope == Scope::Chart ? ", t.changed_at, t.patient_id" : ", t.changed_at, NULL";
  for (const QString& column : kind.columns) {
    sql += ", t." + column.toStdString();
  }
  sql += " FROM " + Table(kind) + " t";
  if (kind.scope == Scope::Chart) {
    sql += " JOIN ward.patients p ON p.id = t.patient_id";
  }
  return sql;
}

QByteArray IdArray(const std::vector<int64_t>& ids) {
  QByteArray text = "{";
  for (size_t i = 0; i < ids.size(); ++i) {
    text += (i ? "," : "") + QByteArray::number(ids[i]);
  }
  return text + "}";
}

// One row of the server as read, kept with its result.
struct ServerRow {
  const Kind* kind = nullptr;
  ward::Result result;
  int row = 0;

  int64_t Id() const { return result.Int(row, kId); }
  int64_t Version() const { return result.Int(row, kVersion); }
  QString ChangedBy() const { return result.Text(row, kChangedBy); }
  int Access() const { return static_cast<int>(result.Int(row, kAccessState)); }
  bool Deleted() const { return result.Bool(row, kDeleted); }
  bool ReadOnly() const {
    return Access() == 1 ||
           (!result.IsNull(row, kPatientAccess) && result.Int(row, kPatientAccess) == 1);
  }
  QString PatientName() const { return result.Text(row, kPatientName); }
  int64_t PatientId() const { return result.Int(row, kPatientId); }
};

// A record of the device on its way to the server.
struct Outgoing {
  const Kind* kind;
  change_log::Entry entry;
  std::unique_ptr<CDBBaseDatabase> store;  // holding the record's members
  ward::Values row;
  bool deletion = false;
};

// What the device does once the server has committed.
struct DeviceLink {
  const Kind* kind;
  RecordId id;
  int64_t versionRead;
  int64_t serverId;
  int64_t serverVersion;
  bool writeMarks;  // the record lacks the server's id or read/write mark
};

class Session {
 public:
  Session(Report& report, const Options& options) : m_report(report), m_options(options) {}

  bool Run(QString& error);

 private:
  bool Connect(const QString& conninfo, QString& error);
  bool CheckWard(QString& error);
  bool CollectLocal(QString& error);
  bool ExchangeWithServer(QString& error);
  bool PushKind(const Kind& kind, std::vector<Outgoing>& records, QString& error);
  bool PushRecord(Outgoing& out, const std::map<int64_t, ServerRow>& rows, QString& error);
  bool PushDeletion(const Outgoing& out, const std::map<int64_t, ServerRow>& rows, QString& error);
  bool PushNew(Outgoing& out, QString& error);
  bool Update(Outgoing& out, int64_t serverId, QString& error);
  bool Insert(Outgoing& out, QString& error);
  bool FlushInserts(QString& error);
  bool ColumnTypes(const Kind& kind, std::vector<std::string>& types, QString& error);
  bool NoteConflict(const Outgoing& out, const ServerRow* kept, const QString& reason,
                    QString& error);
  bool SameContent(const Outgoing& out, const ServerRow& row) const;
  std::optional<ServerRow> FindOne(const Kind& kind, const std::string& where,
                                   const ward::Values& params, QString& error);
  // A patient of the device by name, with its server id (0: not on the server); remembered until
  // the sync changes what it knows of patients.
  struct DevicePatient {
    QString name;  // as stored; empty when the device has no such patient
    int64_t serverId = 0;
  };
  const DevicePatient& FindPatient(const QString& name);
  int64_t PatientServerId(const QString& name);
  bool PullKind(const Kind& kind, QString& error);
  bool FindEarlierRows(const Kind& kind, const std::vector<Outgoing>& records, QString& error);
  void TakeServerVersion(const ServerRow& row, RecordId knownRecord = 0);
  void AddLink(const Outgoing& out, int64_t serverId, int64_t serverVersion);

  bool ApplyToDevice(QString& error);
  bool ApplyLink(const DeviceLink& link);
  bool ApplyServerRow(const ServerRow& row, RecordId knownRecord, QString& error);
  bool StillUnchanged(RecordId id) const;
  bool Cancelled(QString& error) const;
  static bool MarkCompanionInstalled(QString& error);

  Report& m_report;
  const Options& m_options;
  ward::Connection m_server;
  QByteArray m_device;  // the device's key pin, hexadecimal
  QString m_ward;
  int64_t m_mark = 0;
  int64_t m_newMark = 0;
  uint64_t m_pushed = 0;
  uint64_t m_toPush = 0;
  std::vector<std::vector<Outgoing>> m_outgoing;  // per kind, in Kinds() order
  // Version of each record as this sync read it; the server's rows it wrote, by table and id.
  std::map<RecordId, int64_t> m_versionsRead;
  std::set<std::pair<const Kind*, int64_t>> m_written;
  std::map<RecordId, int64_t> m_newPatientIds;  // device patient record -> server id
  std::map<QString, DevicePatient> m_patients;
  std::set<int64_t> m_insertedPatients;  // server ids of the patients added by this sync
  // The rows that an interrupted sync of this device made, by the device's record id (per kind).
  std::map<RecordId, ServerRow> m_earlier;
  std::vector<DeviceLink> m_links;
  std::vector<const Outgoing*> m_queued;  // new rows of the kind being sent, not yet inserted
  std::map<const Kind*, std::vector<std::string>>
      m_columnTypes;  // SQL types, as the schema has them
  std::vector<RecordId> m_deletionsTaken;
  std::vector<std::pair<ServerRow, RecordId>> m_incoming;
};

bool Session::Connect(const QString& conninfo, QString& error) {
  if (!m_server.Open(conninfo, error)) {
    return false;
  }
  m_report.server = m_server.Describe();
  return true;
}

bool Session::CheckWard(QString& error) {
  const auto info = m_server.Run("SELECT version, ward_id FROM ward.schema_info");
  if (!info || info->Rows() != 1) {
    error =
        m_server.ErrorCode() == "42P01" || m_server.ErrorCode() == "3F000"
            ? QStringLiteral("The server holds no ward schema: run ovelin-cli server init first.")
            : QStringLiteral("Could not read the ward schema: %1").arg(m_server.Error());
    return false;
  }
  const int64_t version = info->Int(0, 0);
  if (version > kSchemaVersion) {
    error = QStringLiteral(
                "The ward schema is of version %1, newer than this program's (%2): update Ovelin.")
                .arg(version)
                .arg(kSchemaVersion);
    return false;
  }
  m_ward = info->Text(0, 1);
  QString knownWard;
  QString mark;
  if (!change_log::ReadState(kStateWard, knownWard) || !change_log::ReadState(kStateMark, mark)) {
    error = QStringLiteral("Could not read the device's synchronisation state.");
    return false;
  }
  if (!knownWard.isEmpty() && knownWard != m_ward) {
    error = QStringLiteral(
        "This device is synchronised with another ward server; it cannot join a second one.");
    return false;
  }
  m_mark = knownWard.isEmpty() ? 0 : mark.toLongLong();
  return true;
}

bool Session::CollectLocal(QString& error) {
  const platform::StoreErrorScope failures;
  // A store the device has not used yet is made now, as its first use would make it (the lists
  // with their factory entries), so that those entries are matched with the ward's rather than
  // the ward's coming in beside them.
  for (const Kind& kind : Kinds()) {
    kind.make()->OpenByName();
  }
  const platform::StoreSnapshot snapshot;  // every read of one state, under one lock
  for (const Kind& kind : Kinds()) {
    std::vector<Outgoing>& records = m_outgoing.emplace_back();
    std::unique_ptr<CDBBaseDatabase> probe = kind.make();
    std::vector<change_log::Entry> pending;
    std::vector<change_log::Entry> deletions;
    if (!change_log::Pending(probe->VolumeName(), pending) ||
        !change_log::Deletions(probe->VolumeName(), deletions)) {
      break;
    }
    for (const change_log::Entry& entry : pending) {
      std::unique_ptr<CDBBaseDatabase> store = kind.make();
      if (!store->ReadByCEOID(entry.id)) {
        continue;  // deleted since it was listed: its deletion is logged
      }
      ward::Values row = kind.toRow(*store);
      m_versionsRead[entry.id] = entry.version;
      records.push_back({&kind, entry, std::move(store), std::move(row), false});
    }
    for (const change_log::Entry& entry : deletions) {
      records.push_back({&kind, entry, nullptr, {}, true});
    }
    m_toPush += records.size();
  }
  if (failures.Failed()) {
    error = QStringLiteral("Could not read the device: %1").arg(failures.Error().Describe());
    return false;
  }
  return true;
}

std::optional<ServerRow> Session::FindOne(const Kind& kind, const std::string& where,
                                          const ward::Values& params, QString& error) {
  const auto result =
      m_server.Run(SelectRows(kind) + " WHERE " + where + " ORDER BY t.id LIMIT 1", params);
  if (!result) {
    error = m_server.Error();
    return std::nullopt;
  }
  if (result->Rows() == 0) {
    return std::nullopt;
  }
  return ServerRow{&kind, *result, 0};
}

const Session::DevicePatient& Session::FindPatient(const QString& name) {
  const auto cached = m_patients.find(name);
  if (cached != m_patients.end()) {
    return cached->second;
  }
  DevicePatient found;
  CDBPatient patient;
  if (patient.FindByName(name)) {
    found.name = patient.name;
    const auto fresh = m_newPatientIds.find(patient.recordId);
    const std::optional<change_log::Entry> entry = change_log::Find(patient.recordId);
    found.serverId = fresh != m_newPatientIds.end() ? fresh->second : entry ? entry->serverId : 0;
  }
  return m_patients.emplace(name, found).first->second;
}

int64_t Session::PatientServerId(const QString& name) {
  return FindPatient(name).serverId;
}

bool Session::SameContent(const Outgoing& out, const ServerRow& row) const {
  std::unique_ptr<CDBBaseDatabase> store = out.kind->make();
  QString ignored;
  return !row.Deleted() &&
         out.kind->fromRow(*store, row.result, row.row, kFirstOwnColumn, ignored) &&
         out.kind->toRow(*store) == out.row;
}

bool Session::NoteConflict(const Outgoing& out, const ServerRow* kept, const QString& reason,
                           QString& error) {
  QJsonObject lost;
  if (out.deletion) {
    lost.insert(QStringLiteral("deleted"), true);
  } else {
    for (size_t i = 0; i < out.kind->columns.size(); ++i) {
      const ward::Value& value = out.row[i];
      lost.insert(out.kind->columns[i],
                  value ? QJsonValue(QString::fromUtf8(*value)) : QJsonValue(QJsonValue::Null));
    }
  }
  QString patient;
  if (out.kind->scope == Scope::Chart && out.store) {
    patient = static_cast<CDBChartStore&>(*out.store).patient;
  } else if (out.kind->scope == Scope::Patient && out.store) {
    patient = static_cast<CDBPatient&>(*out.store).name;
  } else if (kept && !kept->result.IsNull(kept->row, kPatientName)) {
    patient = kept->PatientName();
  }
  const ward::Values params = {
      QByteArray(out.kind->table),
      kept ? ward::Value(QByteArray::number(kept->Id())) : std::nullopt,
      patient.isEmpty() ? std::nullopt : ward::Value(patient.toUtf8()),
      reason.toUtf8(),
      kept ? ward::Value(kept->result.Bytes(kept->row, kChangedBy)) : std::nullopt,
      kept ? ward::Value(kept->result.Bytes(kept->row, kChangedAt)) : std::nullopt,
      m_device,
      QJsonDocument(lost).toJson(QJsonDocument::Compact)};
  if (!m_server.Run("INSERT INTO ward.conflicts(kind, record_id, patient, reason, kept_device,"
                    " kept_at, lost_device, lost_at, lost_version)"
                    " VALUES($1, $2::integer, $3, $4, $5, $6::timestamptz, $7, now(), $8::jsonb)",
                    params)) {
    error = m_server.Error();
    return false;
  }
  ++m_report.conflicts;
  return true;
}

// The columns of a write: the kind's own, and the patient for a chart row.
std::string AssignColumns(const Kind& kind, int firstParam) {
  std::string sql;
  int param = firstParam;
  for (const QString& column : kind.columns) {
    sql += (sql.empty() ? "" : ", ") + column.toStdString() + " = $" + std::to_string(param++);
  }
  if (kind.scope == Scope::Chart) {
    sql += ", patient_id = $" + std::to_string(param) + "::integer";
  }
  return sql;
}

bool Session::Update(Outgoing& out, int64_t serverId, QString& error) {
  ward::Values params = out.row;
  if (out.kind->scope == Scope::Chart) {
    params.push_back(
        QByteArray::number(PatientServerId(static_cast<CDBChartStore&>(*out.store).patient)));
  }
  params.push_back(QByteArray::number(serverId));
  const std::string sql = "UPDATE " + Table(*out.kind) + " SET " + AssignColumns(*out.kind, 1) +
                          ", deleted = false WHERE id = $" + std::to_string(params.size()) +
                          "::integer RETURNING version";
  const auto result = m_server.Run(sql, params);
  if (!result || result->Rows() != 1) {
    error = m_server.Error();
    return false;
  }
  const int64_t version = result->Int(0, 0);
  m_written.insert({out.kind, serverId});
  AddLink(out, serverId, version);
  if (out.kind->scope == Scope::Patient) {
    m_newPatientIds[out.entry.id] = serverId;
  }
  ++m_report.sent;
  return true;
}

// New rows are sent in batches, one statement each: a device's first sync sends every record it
// holds, and a round trip per record would cost more than the rows themselves.
bool Session::Insert(Outgoing& out, QString& error) {
  m_queued.push_back(&out);
  return m_queued.size() < kInsertBatch || FlushInserts(error);
}

// An SQL array literal of the values: each element quoted, NULL as NULL.
QByteArray ArrayLiteral(const std::vector<const ward::Value*>& values) {
  QByteArray text = "{";
  for (size_t i = 0; i < values.size(); ++i) {
    text += i ? "," : "";
    if (!*values[i]) {
      text += "NULL";
      continue;
    }
    text += '"';
    for (const char c : **values[i]) {
      if (c == '"' || c == '\\') {
        text += '\\';
      }
      text += c;
    }
    text += '"';
  }
  return text + "}";
}

bool Session::ColumnTypes(const Kind& kind, std::vector<std::string>& types, QString& error) {
  const auto known = m_columnTypes.find(&kind);
  if (known != m_columnTypes.end()) {
    types = known->second;
    return true;
  }
  const auto result = m_server.Run(
      "SELECT column_name, udt_name FROM information_schema.columns"
      " WHERE table_schema = 'ward' AND table_name = $1",
      {QByteArray(kind.table)});
  if (!result) {
    error = m_server.Error();
    return false;
  }
  std::map<QString, std::string> byName;
  for (int i = 0; i < result->Rows(); ++i) {
    byName[result->Text(i, 0)] = result->Bytes(i, 1).toStdString();
  }
  for (const QString& column : kind.columns) {
    const auto found = byName.find(column);
    if (found == byName.end()) {
      error = QStringLiteral("the ward schema has no column %1.%2")
                  .arg(QLatin1String(kind.table), column);
      return false;
    }
    types.push_back(found->second);
  }
  m_columnTypes[&kind] = types;
  return true;
}

bool Session::FlushInserts(QString& error) {
  if (m_queued.empty()) {
    return true;
  }
  const Kind& kind = *m_queued.front()->kind;
  std::vector<std::string> types;
  if (!ColumnTypes(kind, types, error)) {
    return false;
  }
  std::vector<ward::Value> patients;
  std::vector<ward::Value> origins;
  ward::Values params;
  std::string columns;
  std::string unnest;
  for (size_t c = 0; c < kind.columns.size(); ++c) {
    std::vector<const ward::Value*> values;
    for (const Outgoing* out : m_queued) {
      values.push_back(&out->row[c]);
    }
    params.push_back(ArrayLiteral(values));
    columns += kind.columns[c].toStdString() + ", ";
    unnest += "$" + std::to_string(c + 1) + "::" + types[c] + "[], ";
  }
  for (const Outgoing* out : m_queued) {
    origins.push_back(QByteArray::number(out->entry.id));
    if (kind.scope == Scope::Chart) {
      patients.push_back(
          QByteArray::number(PatientServerId(static_cast<CDBChartStore&>(*out->store).patient)));
    }
  }
  std::vector<const ward::Value*> originValues;
  std::vector<const ward::Value*> patientValues;
  for (size_t i = 0; i < origins.size(); ++i) {
    originValues.push_back(&origins[i]);
    if (kind.scope == Scope::Chart) {
      patientValues.push_back(&patients[i]);
    }
  }
  int next = static_cast<int>(kind.columns.size()) + 1;
  params.push_back(ArrayLiteral(originValues));
  unnest += "$" + std::to_string(next++) + "::bigint[]";
  columns += "origin_record";
  if (kind.scope == Scope::Chart) {
    params.push_back(ArrayLiteral(patientValues));
    unnest += ", $" + std::to_string(next++) + "::integer[]";
    columns += ", patient_id";
  }
  params.push_back(m_device);
  const std::string sql = "INSERT INTO " + Table(kind) + "(" + columns +
                          ", origin_device) SELECT *, $" + std::to_string(next) + " FROM unnest(" +
                          unnest + ") RETURNING id, version, origin_record";
  const auto result = m_server.Run(sql, params);
  if (!result || result->Rows() != static_cast<int>(m_queued.size())) {
    error = m_server.Error();
    return false;
  }
  std::map<int64_t, const Outgoing*> byOrigin;
  for (const Outgoing* out : m_queued) {
    byOrigin[out->entry.id] = out;
  }
  for (int i = 0; i < result->Rows(); ++i) {
    const Outgoing& out = *byOrigin.at(result->Int(i, 2));
    const int64_t serverId = result->Int(i, 0);
    m_written.insert({out.kind, serverId});
    AddLink(out, serverId, result->Int(i, 1));
    if (out.kind->scope == Scope::Patient) {
      m_newPatientIds[out.entry.id] = serverId;
      m_insertedPatients.insert(serverId);
      m_patients.clear();
    }
    ++m_report.sent;
  }
  m_queued.clear();
  return true;
}

void Session::AddLink(const Outgoing& out, int64_t serverId, int64_t serverVersion) {
  const bool marks = out.kind->scope != Scope::List &&
                     (out.store->desktopId != serverId || out.store->accessState == 0);
  m_links.push_back({out.kind, out.entry.id, out.entry.version, serverId, serverVersion, marks});
}

void Session::TakeServerVersion(const ServerRow& row, RecordId knownRecord) {
  m_written.insert({row.kind, row.Id()});  // taken here, not again from the pull
  m_incoming.emplace_back(row, knownRecord);
}

// A record the server already holds: written over when the device's version is built on the
// server's (or the server's is this device's own), else a conflict that the server's version wins.
bool Session::PushRecord(Outgoing& out, const std::map<int64_t, ServerRow>& rows, QString& error) {
  const auto found = rows.find(out.entry.serverId);
  if (found == rows.end()) {
    return PushNew(out, error);  // the row is gone from the server: the record is sent anew
  }
  const ServerRow& row = found->second;
  if (row.ReadOnly()) {
    ++m_report.refused;
    if (!NoteConflict(out, &row, QStringLiteral("read-only on the server"), error)) {
      return false;
    }
    TakeServerVersion(row, out.entry.id);
    return true;
  }
  const bool ownOrBase =
      row.Version() == out.entry.serverVersion || row.ChangedBy().toUtf8() == m_device;
  if (ownOrBase && !(row.Deleted() && row.ChangedBy().toUtf8() != m_device)) {
    return Update(out, row.Id(), error);
  }
  if (SameContent(out, row)) {
    AddLink(out, row.Id(), row.Version());
    return true;
  }
  if (!NoteConflict(out, &row,
                    row.Deleted() ? QStringLiteral("deleted on another device")
                                  : QStringLiteral("changed on two devices"),
                    error)) {
    return false;
  }
  TakeServerVersion(row, out.entry.id);
  return true;
}

// A record new to the server: the row an interrupted sync of this device already made, else a
// live row that the kind's rule calls the same, else a new row.
bool Session::PushNew(Outgoing& out, QString& error) {
  const Kind& kind = *out.kind;
  error.clear();
  const auto earlier = m_earlier.find(out.entry.id);
  if (earlier != m_earlier.end()) {
    std::map<int64_t, ServerRow> rows{{earlier->second.Id(), earlier->second}};
    out.entry.serverId = earlier->second.Id();
    return PushRecord(out, rows, error);
  }
  if (kind.scope == Scope::Chart &&
      PatientServerId(static_cast<CDBChartStore&>(*out.store).patient) == 0) {
    return true;  // its patient is not on the server (not merged): the record waits
  }
  // A chart record of a patient this sync added to the server cannot match a row there.
  const bool patientIsNew =
      kind.scope == Scope::Chart &&
      m_insertedPatients.contains(PatientServerId(static_cast<CDBChartStore&>(*out.store).patient));
  if (!kind.sameWhere.isEmpty() && !patientIsNew) {
    ward::Values params;
    for (const int column : kind.sameColumns) {
      params.push_back(out.row[static_cast<size_t>(column)]);
    }
    if (kind.scope == Scope::Chart) {
      params.push_back(
          QByteArray::number(PatientServerId(static_cast<CDBChartStore&>(*out.store).patient)));
    }
    std::optional<ServerRow> same =
        FindOne(kind, "NOT t.deleted AND (" + kind.sameWhere.toStdString() + ")", params, error);
    if (!error.isEmpty()) {
      return false;
    }
    if (same) {
      if (kind.scope == Scope::Patient && static_cast<CDBPatient&>(*out.store).mrNumber !=
                                              same->result.Text(same->row, kFirstOwnColumn + 3)) {
        ++m_report.notMerged;
        return NoteConflict(out, &*same, QStringLiteral("same name, another MR number"), error);
      }
      if (kind.scope == Scope::Patient) {
        m_newPatientIds[out.entry.id] = same->Id();
        m_patients.clear();
      }
      if (SameContent(out, *same)) {
        AddLink(out, same->Id(), same->Version());
        return true;
      }
      if (!NoteConflict(out, &*same, QStringLiteral("made on two devices"), error)) {
        return false;
      }
      TakeServerVersion(*same, out.entry.id);
      return true;
    }
  }
  return Insert(out, error);
}

bool Session::PushDeletion(const Outgoing& out, const std::map<int64_t, ServerRow>& rows,
                           QString& error) {
  const auto found = rows.find(out.entry.serverId);
  if (found == rows.end() || found->second.Deleted()) {
    m_deletionsTaken.push_back(out.entry.id);
    return true;
  }
  const ServerRow& row = found->second;
  m_deletionsTaken.push_back(out.entry.id);
  if (row.ReadOnly()) {
    ++m_report.refused;
    if (!NoteConflict(out, &row, QStringLiteral("read-only on the server"), error)) {
      return false;
    }
    TakeServerVersion(row);
    return true;
  }
  if (row.Version() != out.entry.serverVersion && row.ChangedBy().toUtf8() != m_device) {
    if (!NoteConflict(out, &row, QStringLiteral("deleted here, changed on another device"),
                      error)) {
      return false;
    }
    TakeServerVersion(row);
    return true;
  }
  const auto result =
      m_server.Run("UPDATE " + Table(*out.kind) + " SET deleted = true WHERE id = $1::integer",
                   {QByteArray::number(row.Id())});
  if (!result) {
    error = m_server.Error();
    return false;
  }
  ++m_report.sent;
  return true;
}

bool Session::PushKind(const Kind& kind, std::vector<Outgoing>& records, QString& error) {
  std::vector<int64_t> ids;
  for (Outgoing& out : records) {
    if (!out.deletion && out.entry.serverId == 0 && out.store && out.store->desktopId > 0) {
      // A record beamed in from a colleague of the ward carries the server's id.
      out.entry.serverId = out.store->desktopId;
      out.entry.serverVersion = -1;
    }
    if (out.entry.serverId != 0) {
      ids.push_back(out.entry.serverId);
    }
  }
  std::map<int64_t, ServerRow> rows;
  if (!ids.empty()) {
    const auto result =
        m_server.Run(SelectRows(kind) + " WHERE t.id = ANY($1::integer[])", {IdArray(ids)});
    if (!result) {
      error = m_server.Error();
      return false;
    }
    for (int i = 0; i < result->Rows(); ++i) {
      rows.emplace(result->Int(i, kId), ServerRow{&kind, *result, i});
    }
  }
  if (!FindEarlierRows(kind, records, error)) {
    return false;
  }
  for (Outgoing& out : records) {
    const bool pushed = out.deletion              ? PushDeletion(out, rows, error)
                        : out.entry.serverId != 0 ? PushRecord(out, rows, error)
                                                  : PushNew(out, error);
    if (!pushed) {
      error = QStringLiteral("The server refused a %1 record: %2").arg(kind.table, error);
      return false;
    }
    platform::Report(m_options.progress, ++m_pushed, m_toPush);
    if (Cancelled(error)) {
      return false;
    }
  }
  if (!FlushInserts(error)) {
    error = QStringLiteral("The server refused %1 records: %2").arg(kind.table, error);
    return false;
  }
  return true;
}

// Rows this device sent before whose sync did not reach the device, found in one query.
bool Session::FindEarlierRows(const Kind& kind, const std::vector<Outgoing>& records,
                              QString& error) {
  m_earlier.clear();
  std::vector<int64_t> fresh;
  for (const Outgoing& out : records) {
    if (!out.deletion && out.entry.serverId == 0) {
      fresh.push_back(out.entry.id);
    }
  }
  if (fresh.empty()) {
    return true;
  }
  const auto result = m_server.Run(SelectRows(kind) +
                                       " WHERE t.origin_device = $1 AND"
                                       " t.origin_record = ANY($2::bigint[]) ORDER BY t.id",
                                   {m_device, IdArray(fresh)});
  if (!result) {
    error = m_server.Error();
    return false;
  }
  const auto origin = m_server.Run("SELECT origin_record FROM " + Table(kind) +
                                       " WHERE origin_device = $1 AND"
                                       " origin_record = ANY($2::bigint[]) ORDER BY id",
                                   {m_device, IdArray(fresh)});
  if (!origin) {
    error = m_server.Error();
    return false;
  }
  for (int i = 0; i < result->Rows(); ++i) {
    m_earlier.emplace(static_cast<RecordId>(origin->Int(i, 0)), ServerRow{&kind, *result, i});
  }
  return true;
}

bool Session::PullKind(const Kind& kind, QString& error) {
  // This device's own changes are on the device already.
  const auto result = m_server.Run(
      SelectRows(kind) + " WHERE t.version > $1::bigint AND t.changed_by <> $2 ORDER BY t.version",
      {QByteArray::number(m_mark), m_device});
  if (!result) {
    error = QStringLiteral("Could not read the ward's changes: %1").arg(m_server.Error());
    return false;
  }
  for (int i = 0; i < result->Rows(); ++i) {
    const ServerRow row{&kind, *result, i};
    if (!m_written.contains({&kind, row.Id()})) {
      m_incoming.emplace_back(row, 0);
    }
  }
  return true;
}

bool Session::ExchangeWithServer(QString& error) {
  if (!m_server.Execute("BEGIN") || !m_server.Execute(kTakeWardLock) ||
      !m_server.Run("SELECT set_config('ward.device', $1, true)", {m_device}) ||
      !m_server.Run("INSERT INTO ward.devices(device, name) VALUES($1, $2)"
                    " ON CONFLICT(device) DO UPDATE SET name = $2, last_sync = now(),"
                    " db_role = session_user",
                    {m_device, platform::OwnDeviceName().toUtf8()})) {
    error = QStringLiteral("The ward server refused the synchronisation: %1").arg(m_server.Error());
    return false;
  }
  const std::vector<Kind>& kinds = Kinds();
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (!PushKind(kinds[i], m_outgoing[i], error)) {
      return false;
    }
  }
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (!PullKind(kinds[i], error)) {
      return false;
    }
  }
  const auto mark = m_server.Run(
      "SELECT CASE WHEN is_called THEN last_value ELSE 0 END"
      " FROM ward.change_counter");
  if (!mark || mark->Rows() != 1) {
    error = m_server.Error();
    return false;
  }
  m_newMark = mark->Int(0, 0);
  return true;
}

bool Session::Cancelled(QString& error) const {
  if (m_options.cancelled && m_options.cancelled()) {
    error = QStringLiteral("The synchronisation was cancelled; nothing was changed.");
    return true;
  }
  return false;
}

bool Session::StillUnchanged(RecordId id) const {
  const std::optional<change_log::Entry> entry = change_log::Find(id);
  if (!entry) {
    return false;
  }
  const auto read = m_versionsRead.find(id);
  return read != m_versionsRead.end() ? entry->version == read->second : !entry->IsPending();
}

bool Session::ApplyLink(const DeviceLink& link) {
  const std::optional<change_log::Entry> entry = change_log::Find(link.id);
  if (!entry) {
    // Deleted while the server took it: the server's row goes too, at the next sync.
    std::unique_ptr<CDBBaseDatabase> probe = link.kind->make();
    return change_log::LogDeletion(probe->VolumeName(), link.id, link.serverId, link.serverVersion);
  }
  if (entry->version != link.versionRead) {
    // Changed again meanwhile: linked, and still pending.
    return change_log::Link(link.id, link.serverId, link.serverVersion, -1);
  }
  if (!link.writeMarks) {
    return change_log::Link(link.id, link.serverId, link.serverVersion, link.versionRead);
  }
  // The marks are the sync's own write: it leaves the record synchronised at its next version.
  std::unique_ptr<CDBBaseDatabase> store = link.kind->make();
  store->desktopId = static_cast<int32_t>(link.serverId);
  store->accessState = 2;
  m_report.deviceChanged = true;
  return store->WriteSyncMarks(link.id) &&
         change_log::Link(link.id, link.serverId, link.serverVersion, link.versionRead + 1);
}

// Whether the device's record already holds what the server's row (in the members) says.
bool HoldsAlready(const Kind& kind, CDBBaseDatabase& incoming, RecordId id) {
  std::unique_ptr<CDBBaseDatabase> stored = kind.make();
  if (!stored->ReadByCEOID(id)) {
    return false;
  }
  // The lists carry no marks.
  const bool marksAgree =
      kind.scope == Scope::List ||
      (stored->desktopId == incoming.desktopId && stored->accessState == incoming.accessState);
  return marksAgree && kind.toRow(*stored) == kind.toRow(incoming);
}

bool Session::ApplyServerRow(const ServerRow& row, RecordId knownRecord, QString& error) {
  const Kind& kind = *row.kind;
  std::unique_ptr<CDBBaseDatabase> store = kind.make();
  RecordId id =
      knownRecord != 0 ? knownRecord : change_log::FindByServerId(store->VolumeName(), row.Id());
  if (id != 0 && knownRecord == 0 && !StillUnchanged(id)) {
    return true;  // changed here since this sync read it: the next sync settles it
  }
  if (row.Deleted()) {
    if (id == 0) {
      return true;
    }
    ++m_report.received;
    m_report.deviceChanged = true;
    if (kind.scope == Scope::Patient && store->ReadByCEOID(id)) {
      return patient_records::DeletePatient(static_cast<CDBPatient&>(*store).name);
    }
    return store->DeleteByCEOID(id);
  }
  if (!kind.fromRow(*store, row.result, row.row, kFirstOwnColumn, error)) {
    error = QStringLiteral("Row %1 of ward.%2 breaks the device's limits: %3")
                .arg(row.Id())
                .arg(QLatin1String(kind.table), error);
    return false;
  }
  if (kind.scope == Scope::Patient) {
    m_patients.clear();
    auto& patient = static_cast<CDBPatient&>(*store);
    CDBPatient stored;
    if (id != 0 && stored.ReadByCEOID(id)) {
      patient.name = stored.name;  // the name is the key of every chart record: it stays
    } else if (!value_rules::ValidName(patient.name)) {
      error = QStringLiteral("Row %1 of ward.patients has no name").arg(row.Id());
      return false;
    } else if (stored.FindByName(patient.name)) {
      return true;  // another patient of that name is here, not merged
    }
  }
  if (kind.scope == Scope::Chart) {
    const DevicePatient& owner = FindPatient(row.PatientName());
    if (owner.name.isEmpty() || owner.serverId != row.PatientId()) {
      return true;  // its patient is not on the device (not merged)
    }
    static_cast<CDBChartStore&>(*store).patient = owner.name;
  }
  store->desktopId = static_cast<int32_t>(row.Id());
  store->accessState = row.Access();
  if (id != 0 && HoldsAlready(kind, *store, id)) {
    // The same as the device's: linked, nothing written.
    const std::optional<change_log::Entry> entry = change_log::Find(id);
    return entry && change_log::Link(id, row.Id(), row.Version(), entry->version);
  }
  ++m_report.received;
  m_report.deviceChanged = true;
  id = store->StoreReceived(id);
  if (id == 0) {
    return false;
  }
  const std::optional<change_log::Entry> entry = change_log::Find(id);
  return entry && change_log::Link(id, row.Id(), row.Version(), entry->version);
}

bool Session::ApplyToDevice(QString& error) {
  const platform::StoreErrorScope failures;
  const platform::BulkWriteScope bulk;  // the savepoints of many records journal in memory
  platform::StoreTransaction transaction;
  if (!transaction.Active()) {
    error = QStringLiteral("Could not write to the device: %1").arg(failures.Error().Describe());
    return false;
  }
  const change_log::SynchronisedWrites own;
  m_patients.clear();
  for (const DeviceLink& link : m_links) {
    if (!ApplyLink(link)) {
      break;
    }
  }
  for (const RecordId id : m_deletionsTaken) {
    if (!change_log::ForgetDeletion(id)) {
      break;
    }
  }
  for (const auto& [row, known] : m_incoming) {
    if (failures.Failed() || !ApplyServerRow(row, known, error)) {
      break;
    }
  }
  if (error.isEmpty() && !failures.Failed() &&
      (!change_log::WriteState(kStateWard, m_ward) ||
       !change_log::WriteState(kStateMark, QString::number(m_newMark)))) {
    error = QStringLiteral("Could not write to the device.");
  }
  if (!error.isEmpty() || failures.Failed() || !transaction.Commit()) {
    if (error.isEmpty()) {
      error = QStringLiteral("Could not write to the device: %1").arg(failures.Error().Describe());
    }
    m_report.deviceChanged = false;
    return false;
  }
  return true;
}

// From the first sync on, the device has a companion: the beam commands then refuse records that
// were never synchronised.
bool Session::MarkCompanionInstalled(QString& error) {
  platform::RegistryKey key;
  if (!key.Create(platform::Hive::LocalMachine, QString::fromLatin1(kInstallKey)) ||
      !key.SetString(QStringLiteral("DCVersion"), QString::number(kSchemaVersion))) {
    error = QStringLiteral("Could not record the synchronisation in the device's registry.");
    return false;
  }
  return true;
}

bool Session::Run(QString& error) {
  const QString& conninfo = m_options.conninfo;
  platform::DeviceIdentity identity;
  if (!identity.LoadOrCreate(platform::Device::Current()->Folder(), error)) {
    return false;
  }
  m_device = identity.Pin().toHex();
  if (!Connect(conninfo, error) || !CheckWard(error) || !CollectLocal(error)) {
    return false;
  }
  {
    // The exchange reads the device too (its patients' links): a failed read must not pass for a
    // patient the server lacks.
    const platform::StoreErrorScope failures;
    const bool exchanged = ExchangeWithServer(error);
    if (exchanged && failures.Failed()) {
      error = QStringLiteral("Could not read the device: %1").arg(failures.Error().Describe());
    }
    if (!exchanged || failures.Failed() || Cancelled(error)) {
      return false;  // the connection closes without a commit: the server keeps nothing of it
    }
  }
  // The server commits first. Should the device's part then fail (or the process die), the
  // device still holds its changes as pending: the next sync sends them again, and the server
  // knows them as this device's own (by their origin, or as its last change), so nothing is
  // added twice and nothing counts as a conflict.
  if (!m_server.Execute("COMMIT")) {
    error = QStringLiteral("The ward server did not take the synchronisation: %1")
                .arg(m_server.Error());
    return false;
  }
  if (!ApplyToDevice(error)) {
    error += QStringLiteral(
        " The server holds this device's changes; the next synchronisation "
        "brings the device up to date.");
    return false;
  }
  return MarkCompanionInstalled(error);
}

}  // namespace

bool Synchronise(const Options& options, Report& report, QString& error) {
  report = Report{};
  Session session(report, options);
  return session.Run(error);
}

QStringList Describe(const Report& report) {
  const auto count = [](int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
  };
  QStringList lines{QStringLiteral("Synchronised with %1: %2, %3, %4.")
                        .arg(report.server, count(report.sent, "change sent", "changes sent"),
                             count(report.received, "change received", "changes received"),
                             count(report.conflicts, "conflict", "conflicts"))};
  if (report.refused > 0) {
    lines << count(report.refused, "change was", "changes were") +
                 QStringLiteral(
                     " refused because the server holds the record read-only; the "
                     "device has the server's version again.");
  }
  if (report.notMerged > 0) {
    lines << count(report.notMerged, "patient has", "patients have") +
                 QStringLiteral(
                     " the name of another device's patient with another MR number "
                     "and stayed on this device only.");
  }
  if (report.conflicts > 0) {
    lines << QStringLiteral(
        "Where a record was changed on two devices, the version that reached "
        "the server first was kept; the other is kept on the server "
        "(ovelin-cli sync --conflicts lists them).");
  }
  return lines;
}

bool InitialiseServer(const QString& conninfo, QString& message, QString& error) {
  ward::Connection server;
  if (!server.Open(conninfo, error)) {
    return false;
  }
  const auto exists = server.Run("SELECT to_regclass('ward.schema_info') IS NOT NULL");
  if (!exists) {
    error = server.Error();
    return false;
  }
  if (exists->Bool(0, 0)) {
    const auto info = server.Run("SELECT version FROM ward.schema_info");
    if (!info || info->Rows() != 1) {
      error = QStringLiteral("The ward schema cannot be read: %1").arg(server.Error());
      return false;
    }
    const int64_t version = info->Int(0, 0);
    if (version > kSchemaVersion) {
      error = QStringLiteral("The ward schema is of version %1, newer than this program's (%2).")
                  .arg(version)
                  .arg(kSchemaVersion);
      return false;
    }
    message = QStringLiteral("The ward schema is at version %1 on %2.")
                  .arg(version)
                  .arg(server.Describe());
    return true;
  }
  if (!server.Execute("BEGIN") || !server.Execute(ward::kWardSchemaSql) ||
      !server.Execute("COMMIT")) {
    error = QStringLiteral("Could not create the ward schema: %1").arg(server.Error());
    return false;
  }
  message = QStringLiteral("Created the ward schema, version %1, on %2.")
                .arg(kSchemaVersion)
                .arg(server.Describe());
  return true;
}

bool ListConflicts(const QString& conninfo, std::vector<QString>& lines, QString& error) {
  ward::Connection server;
  if (!server.Open(conninfo, error)) {
    return false;
  }
  const auto result = server.Run(
      "SELECT to_char(c.noted_at, 'YYYY-MM-DD HH24:MI'), c.kind, coalesce(c.patient, ''),"
      " c.reason, coalesce(kd.name, c.kept_device, ''), coalesce(ld.name, c.lost_device),"
      " coalesce(c.record_id::text, '-')"
      " FROM ward.conflicts c LEFT JOIN ward.devices kd ON kd.device = c.kept_device"
      " LEFT JOIN ward.devices ld ON ld.device = c.lost_device ORDER BY c.id");
  if (!result) {
    error = QStringLiteral("Could not read the conflicts: %1").arg(server.Error());
    return false;
  }
  for (int i = 0; i < result->Rows(); ++i) {
    lines.push_back(QStringLiteral("%1  %2 %3  %4: %5; kept the version of %6, the version of %7 "
                                   "is in ward.conflicts")
                        .arg(result->Text(i, 0), result->Text(i, 1), result->Text(i, 6),
                             result->Text(i, 2), result->Text(i, 3), result->Text(i, 4),
                             result->Text(i, 5)));
  }
  return true;
}

}  // namespace ward_sync
