#pragma once

// What the Trends tests share: the program's extension services with the main window's three
// operations left out, and the patient's records stored as the device keeps them.

#include <QDateTime>
#include <QString>
#include <vector>

#include "common/XMExtension.h"
#include "shell/CExtensionServices.h"
#include "support/TestTime.h"
#include "test_vitals_support.h"

namespace trends_test {

// The services the program offers an extension (patient data, save-file seam, private files,
// message box), without a main window.
class Services : public CExtensionServices {
 public:
  QWidget* GetCommandBar() override { return nullptr; }
  void AddPatientListener(IPatientListener* listener) override { listeners.push_back(listener); }
  void AddCommand(int /*commandId*/, const QString& /*text*/) override {}

  std::vector<IPatientListener*> listeners;
};

inline QDateTime Local(int year, int month, int day, int hour, int minute) {
  return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

// Three days of a patient's vitals and labs: blood pressure in its "120/80" form, a
// temperature that is no number, a "Glu" both in a chemistry panel and (as text) in a
// urinalysis, an "RBC" with numbers in two groups, and a "Misc" lactate.
inline void StoreThreeDays(const QString& patient) {
  using test_time::At;
  vs_tests_test::AddVitals(At(2024, 3, 1, 8, 0),
                           QStringLiteral("Temp\n37.2\nPulse\n88\nBP\n120/80\nWeight\n71 kg\n"), 0,
                           patient);
  vs_tests_test::AddVitals(At(2024, 3, 2, 8, 0),
                           QStringLiteral("Temp\nrefused\nPulse\n92\nBP\n130/85\nResp\n\n"), 0,
                           patient);
  vs_tests_test::AddVitals(At(2024, 3, 3, 20, 30),
                           QStringLiteral("Temp\n38.1\nPulse\n101\nBP\n125/82\n"), 0, patient);
  vs_tests_test::AddLab(At(2024, 3, 1, 6, 0), QStringLiteral("CBC"),
                        QStringLiteral("WBC\n11.2\nHb\n12.9\nRBC\n4.5\n"), 0, patient);
  vs_tests_test::AddLab(At(2024, 3, 2, 6, 0), QStringLiteral("Chemistry"),
                        QStringLiteral("Na\n138\nK\n4.1\nGlu\n112\n"), 0, patient);
  vs_tests_test::AddLab(At(2024, 3, 2, 7, 0), QStringLiteral("UA"),
                        QStringLiteral("Glu\nneg\nRBC\n3\n"), 0, patient);
  vs_tests_test::AddLab(At(2024, 3, 3, 6, 0), QStringLiteral("CBC"),
                        QStringLiteral("WBC\n8.4\nHb\n13.2\n"), 0, patient);
  vs_tests_test::AddLab(At(2024, 3, 3, 6, 30), QStringLiteral("Misc"),
                        QStringLiteral("Value Name\nLactate\nResult\n2.1\n"), 0, patient);
}

}  // namespace trends_test
