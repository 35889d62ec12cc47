#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

#include "platform/ProgressCallback.h"

class QIODevice;

// The user's backup of a device as one JSON document: every patient with all of its records, the
// category lists, the auto-text lists and the favourite medications. Fields are named after the
// stores' members, times are ISO 8601 local times, and record ids are left out because they belong
// to one device. The format is described in docs/export-format.md.
//
// Both ways stream: the document is written and read a piece at a time, never held whole, so a
// backup of any size takes the same memory.
namespace backup {

// Takes the document's text a piece at a time; false when it could not be kept.
using Sink = std::function<bool(const QByteArray& bytes)>;

// Writes the document for every patient, or only the named one (exact name, letter case ignored),
// to write, and counts the patients written. Answers false when a patient was named and is not on
// the device, when any read of the device failed, when a text is longer than a backup's reader
// takes, or when write failed (the error then names the cause, and what was written must be
// thrown away). Tells its progress in patients looked at of the patients on the device.
bool Export(const QString& onlyPatient, const Sink& write, size_t& patients, QString& error,
            const platform::ProgressCallback& progress = {});

// Restores the document read from input through the stores: each record keeps its time stamp,
// desktop identifier and access state; a record that matches one on the device by its store's
// match rule is merged into it. The document is read and stored as it goes, in one transaction
// over every store: a malformed document, a value out of its range (an access state other than
// 0-2, a time with anything around it, a text holding a NUL character or longer than
// value_rules::kMaxTextLength), a record or patient beyond the size a backup can hold, a failure
// of the device midway or the death of the process stores nothing, and a refusal answers false
// with a reason naming the offending place. Tells its progress in bytes read of total (0 when the
// size is not known).
bool Import(QIODevice& input, QString& error, const platform::ProgressCallback& progress = {},
            uint64_t total = 0);

// How many patients the document read from input holds; nothing when it is not a JSON document.
std::optional<size_t> CountPatients(QIODevice& input);

// The same for a document held in memory (tests, tools).
bool Export(const QString& onlyPatient, QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress = {});
bool Import(const QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress = {});

}  // namespace backup
