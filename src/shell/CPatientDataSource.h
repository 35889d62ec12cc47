#pragma once

#include <QString>
#include <vector>

#include "common/XMExtension.h"

// The program's side of XMPatientData: the current patient's vital-signs entries and lab results
// read from their stores on each request, and the extensions' data listeners. The application
// keeps the current patient here as the chart strip changes it, and tells the listeners when a
// page, a command or a received beam changed a patient's records.
class CPatientDataSource : public XMPatientData {
 public:
  CPatientDataSource() = default;
  ~CPatientDataSource() override = default;
  CPatientDataSource(const CPatientDataSource&) = delete;
  CPatientDataSource& operator=(const CPatientDataSource&) = delete;

  void SetCurrentPatient(const QString& name) { m_patient = name; }
  // Tells every data listener, in the order they were added.
  void NotifyChanged(const QString& name);

  QString CurrentPatient() override { return m_patient; }
  bool GetVitals(QList<XMValueRecord>& records, QString& error) override;
  bool GetLabResults(QList<XMValueRecord>& records, QString& error) override;
  void AddDataListener(IPatientDataListener* listener) override;

 private:
  QString m_patient;
  std::vector<IPatientDataListener*> m_listeners;
};
