#pragma once

// What the medication tests share: storing patients and medications as the program would find
// them, and reading the medication store back.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

#include "common/CDBPatient.h"
#include "common/MemoryControls.h"
#include "common/ui/InputPanel.h"
#include "store/CDBMeds.h"

namespace meds_test {

// Stores a patient "Last, First" with allergies; accessState 1 or 2 makes it one that came from
// the desktop (read-only or read/write).
inline QString AddPatient(const QString& first, const QString& last, const QString& allergies,
                          int32_t accessState = 0) {
  CDBPatient patient;
  patient.firstName = first;
  patient.lastName = last;
  patient.patientType = QStringLiteral("Clinic");
  patient.allergies = allergies;
  patient.accessState = accessState;
  patient.desktopId = accessState != 0 ? 41 : 0;
  EXPECT_TRUE(patient.CreateRecord(accessState != 0));
  return patient.name;
}

struct Medication {
  QString drug;
  QString dose = QStringLiteral("40mg");
  QString route = QStringLiteral("PO");
  QString frequency = QStringLiteral("QD");
  QString trackDays = QStringLiteral("No");
  QString days;
  QString dispensed = QStringLiteral("30");
  QString refills = QStringLiteral("2");
  FILETIME start{};
  // 0 made on the device; 1 or 2 as it came from the desktop, never synchronised since.
  int32_t accessState = 0;
};

// The ids of the patient's medications, in store order.
inline std::vector<uint32_t> MedIds(const QString& patient) {
  memory_controls::List list;
  CDBMeds().FillList(patient, list);
  std::vector<uint32_t> ids;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    ids.push_back(list.GetItemData(row));
  }
  return ids;
}

// Stores a medication of patient; answers its record id.
inline uint32_t AddMed(const QString& patient, const Medication& med) {
  CDBMeds meds;
  meds.patient = patient;
  meds.drug = med.drug;
  meds.dose = med.dose;
  meds.route = med.route;
  meds.frequency = med.frequency;
  meds.trackDays = med.trackDays;
  meds.days = med.days;
  meds.dispensed = med.dispensed;
  meds.refills = med.refills;
  meds.startDate = med.start;
  meds.timeStamp = med.start;
  meds.desktopId = 0;
  meds.accessState = med.accessState;
  const std::vector<uint32_t> before = MedIds(patient);
  EXPECT_TRUE(meds.AddNew(med.accessState != 0));
  for (const uint32_t id : MedIds(patient)) {
    if (std::find(before.begin(), before.end(), id) == before.end()) {
      return id;
    }
  }
  return 0;
}

inline uint32_t AddMed(const QString& patient, const QString& drug, const FILETIME& start) {
  Medication med;
  med.drug = drug;
  med.start = start;
  return AddMed(patient, med);
}

// The stored medication with that id; nullptr when there is none.
inline std::unique_ptr<CDBMeds> Stored(uint32_t id) {
  auto meds = std::make_unique<CDBMeds>();
  return meds->LoadByCEOID(id) ? std::move(meds) : nullptr;
}

// A full-screen dialog's main list ends 5 pixels above the input panel while it is up, and 35
// above the bottom of the visible desktop while it is down (and never below the dialog's bottom
// less 5). Raising and lowering the panel notifies every top-level window, the dialog among them.
inline void ExpectListEndsAboveInputPanel(const QWidget& dialog, const QWidget& list) {
  for (const bool up : {true, false}) {
    SCOPED_TRACE(up ? "panel up" : "panel down");
    input_panel::Show(up);
    input_panel::SipInfo info;
    ASSERT_TRUE(input_panel::GetInfo(info));
    const int top = list.y();
    const int gap = up ? 5 : 35;
    EXPECT_EQ(list.height(),
              qMin(dialog.height() - top - 5, info.visibleDesktop.height() - top - gap));
  }
}

}  // namespace meds_test
