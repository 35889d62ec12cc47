#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/ProgressCallback.h"

// A patient's chart in HL7 FHIR R4: one Bundle of type "collection" with a resource per record
// (see docs/fhir.md for the mapping). Vital signs that are recognised are coded with LOINC and
// UCUM as the vital-signs profiles ask; every other value still travels, named by text, and is
// counted in the summary. Ids are derived from the device's identity and each record's id, so
// the same device exports the same bytes twice.
namespace fhir {

struct Summary {
  int patients = 0;
  int resources = 0;
  // Vital signs exported with their name as text and their value as a string: a name or unit
  // not recognised, or a text where a number belongs.
  int uncodedVitals = 0;
  // Lab values that are not numbers, exported as strings.
  int textLabValues = 0;

  // The lines the export command prints.
  QString Describe() const;
};

// Takes the bundle's bytes piece by piece as they are made; false when they could not be kept.
using Sink = std::function<bool(const QByteArray& bytes)>;

// Writes the bundle of every patient, or only the named one (exact name, letter case ignored),
// through write: compact JSON, one entry to a line. idSeed names the device (the pin of its key);
// it makes the resources' ids unique across devices. False when a patient was named and is not
// on the device, when a read of the device failed or write did: what was written is then to be
// thrown away.
// progress is told patients done of the device's patients.
bool Export(const QString& onlyPatient, const QByteArray& idSeed, const Sink& write,
            Summary& summary, QString& error, const platform::ProgressCallback& progress = {});

}  // namespace fhir
