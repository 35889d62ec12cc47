#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "platform/ProgressCallback.h"

// Ward synchronisation: the current device and a ward server (PostgreSQL) exchange what changed
// since the device's last synchronisation, both ways. The model, the conflict rule and the schema
// are described in docs/sync.md.
namespace ward_sync {

// The version of the ward schema this program writes and reads.
inline constexpr int kSchemaVersion = 1;

struct Report {
  int sent = 0;       // records and deletions the server took from the device
  int received = 0;   // records and deletions the device took from the server
  int conflicts = 0;  // records changed on both sides: the losing version is kept on the server
  int refused = 0;    // changes of read-only records, refused and replaced by the server's
  int notMerged = 0;  // patients of the same name as another device's, with another MR number
  bool deviceChanged = false;
  QString server;  // who the connection was, for the message
};

struct Options {
  QString conninfo;
  // Told the records sent of those to send.
  platform::ProgressCallback progress;
  // Asked between records until the server has taken the exchange: true stops the sync, and
  // nothing changes on either side.
  std::function<bool()> cancelled;
};

// The result in plain words, one sentence a line: what moved, what was refused, what conflicted.
QStringList Describe(const Report& report);

// Synchronises the current device with the server. The server's part runs in one transaction and
// the device's in one store transaction: a sync that fails or is killed at any point leaves each
// side as it was or as it should be, and the next one converges. False with a message saying why
// (the device then is unchanged).
bool Synchronise(const Options& options, Report& report, QString& error);

// Creates the ward schema on an empty database, or says which version is there. False with a
// message when the server cannot be reached or holds a newer schema.
bool InitialiseServer(const QString& conninfo, QString& message, QString& error);

// The conflicts the server keeps, oldest first, one line each.
bool ListConflicts(const QString& conninfo, std::vector<QString>& lines, QString& error);

}  // namespace ward_sync
