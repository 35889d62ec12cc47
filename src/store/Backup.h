#pragma once

#include <QJsonObject>
#include <QString>

#include "platform/ProgressCallback.h"

// The user's backup of a device as one JSON document: every patient with all of its records, the
// category lists, the auto-text lists and the favourite medications. Fields are named after the
// stores' members, times are ISO 8601 local times, and record ids are left out because they belong
// to one device. The format is described in docs/export-format.md.
namespace backup {

// The document for every patient, or only the named one (exact name, letter case ignored).
// Answers false when a patient was named and is not on the device, or when any read of the device
// failed (the error then names the cause, and no document is made). Tells its progress in patients
// looked at of the patients on the device.
bool Export(const QString& onlyPatient, QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress = {});

// Restores a document through the stores: each record keeps its time stamp, desktop identifier
// and access state; a record that matches one on the device by its store's match rule is merged
// into it. The whole document is checked before anything is stored: a malformed one, or one with
// a value out of its range (an access state other than 0-2, a time with anything around it, a
// text holding a NUL character), stores nothing and answers false with a reason naming the
// offending place. The records are stored in one transaction: when the device fails midway, or the
// process dies, nothing of the document is stored. Tells its progress in patients stored of the
// document's patients, once the document has been checked.
bool Import(const QJsonObject& document, QString& error,
            const platform::ProgressCallback& progress = {});

}  // namespace backup
