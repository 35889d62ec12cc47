#pragma once

#include <QString>

class CTabPage;
class IShell;
class ITabHost;

// What a chart page, and a command run for the chart, may ask of the strip that holds the pages:
// the current patient, the patient list, the pages themselves and the shell. The chart strip of
// the main window implements it; tests hand pages a fake.
class IPageHost {
 public:
  virtual ~IPageHost() = default;

  virtual IShell& Shell() = 0;

  // The current patient: the full name that links a patient to the records of every store.
  // Empty when no patient is selected.
  virtual QString CurrentPatient() const = 0;
  virtual QString CurrentMrNumber() const = 0;
  virtual bool PatientSelected() const = 0;
  // Makes name the current patient (header "name MR room", the list row's MR and room cells)
  // and tells the extension listeners.
  virtual void SetCurrentPatient(const QString& name, const QString& mrNumber,
                                 const QString& room) = 0;
  virtual void ClearCurrentPatient() = 0;
  // Refills the patient list, keeping the selected patient when asked and when still listed,
  // and refreshing the patient types when asked.
  virtual void RefillPatientList(bool keepSelection, bool refreshTypes) = 0;

  // The pages, by title or index; the shown page.
  virtual ITabHost& Tabs() = 0;
  // Reloads (OnSetActive) the page being shown.
  virtual void ReloadCurrentPage() = 0;
};
