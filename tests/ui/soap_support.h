#pragma once

// Chart records of one patient for the note tests, stored the way the chart's dialogs store them.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include "platform/FileTime.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace soap_support {

inline void AddTest(const QString& patient, const FILETIME& when, const QString& name,
                    const QString& result) {
  CDBTest test;
  test.patient = patient;
  test.date = when;
  test.time = when;
  test.test = name;
  test.result = result;
  ASSERT_TRUE(test.AddNew(false));
}

inline void AddLab(const QString& patient, const FILETIME& when, const QString& group,
                   const QString& values) {
  CDBLabValues lab;
  lab.patient = patient;
  lab.date = when;
  lab.time = when;
  lab.group = group;
  lab.values = values;
  ASSERT_TRUE(lab.AddNew(false));
}

inline void AddVitals(const QString& patient, const FILETIME& when, const QString& values) {
  CDBVitals vitals;
  vitals.patient = patient;
  vitals.date = when;
  vitals.time = when;
  vitals.values = values;
  ASSERT_TRUE(vitals.AddNew(false));
}

inline void AddMed(const QString& patient, const QString& drug, const QString& dose,
                   const QString& route, const QString& frequency) {
  CDBMeds meds;
  meds.patient = patient;
  meds.drug = drug;
  meds.dose = dose;
  meds.route = route;
  meds.frequency = frequency;
  meds.trackDays = QStringLiteral("No");
  meds.dispensed = QStringLiteral("30");
  meds.refills = QStringLiteral("2");
  ASSERT_TRUE(meds.AddNew(false));
}

inline void AddNote(const QString& patient, const FILETIME& when, const QString& subjective,
                    const QString& objective, const QString& assessmentPlan) {
  CDBNotes note;
  note.patient = patient;
  note.date = when;
  note.time = when;
  note.noteText = QStringLiteral("composed");
  note.subjective = subjective;
  note.objective = objective;
  note.assessmentPlan = assessmentPlan;
  ASSERT_TRUE(note.AddNew(false));
}

// A note's lines: its text split at CR LF (a text that ends with CR LF ends with an empty item).
inline QStringList Lines(const QString& text) {
  return text.split(QStringLiteral("\r\n"));
}

}  // namespace soap_support
