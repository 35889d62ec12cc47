#pragma once

// Chart records of one patient for the note tests, stored the way the chart's dialogs store them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>

#include "platform/FileTime.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBVitals.h"

namespace soap_support {

// A dated record of the patient at one date and time.
inline void Place(CDBDatedStore& record, const QString& patient, const FILETIME& when) {
  record.patient = patient;
  record.date = when;
  record.time = when;
}

inline void AddTest(const QString& patient, const FILETIME& when, const QString& name,
                    const QString& result) {
  CDBTest test;
  Place(test, patient, when);
  test.test = name;
  test.result = result;
  ASSERT_TRUE(test.AddNew(false));
}

inline void AddLab(const QString& patient, const FILETIME& when, const QString& group,
                   const QString& values) {
  CDBLabValues lab;
  Place(lab, patient, when);
  lab.group = group;
  lab.values = values;
  ASSERT_TRUE(lab.AddNew(false));
}

inline void AddVitals(const QString& patient, const FILETIME& when, const QString& values) {
  CDBVitals vitals;
  Place(vitals, patient, when);
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
  Place(note, patient, when);
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

// The controls under root that a person reads or operates but that have no name to be told by:
// no accessible name and, for buttons, no text of their own.
inline QStringList UnnamedControls(const QWidget& root) {
  QStringList unnamed;
  for (const QWidget* control : root.findChildren<QWidget*>()) {
    const bool operated = qobject_cast<const QAbstractButton*>(control) != nullptr ||
                          qobject_cast<const QAbstractItemView*>(control) != nullptr ||
                          qobject_cast<const QPlainTextEdit*>(control) != nullptr ||
                          qobject_cast<const QComboBox*>(control) != nullptr ||
                          qobject_cast<const QDateTimeEdit*>(control) != nullptr;
    // The parts that Qt composes controls of (scroll bars, a combo box's list) are named by Qt.
    const bool part = control->objectName().startsWith(QLatin1String("qt_")) ||
                      qobject_cast<const QAbstractItemView*>(control->parentWidget()) != nullptr ||
                      qobject_cast<const QComboBox*>(control->parentWidget()) != nullptr;
    if (!operated || part || !control->accessibleName().isEmpty()) {
      continue;
    }
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    if (button == nullptr || button->text().isEmpty()) {
      unnamed.append(QString::fromLatin1(control->metaObject()->className()) + QLatin1Char(' ') +
                     control->objectName());
    }
  }
  return unnamed;
}

}  // namespace soap_support
