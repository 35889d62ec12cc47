#pragma once

// The strip a page benchmark shows its page in: the current patient, nothing more.

#include <QString>

#include "platform/Device.h"
#include "shell/CPageTabCtrl.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

namespace bench_support {

class BenchShell : public IShell {
 public:
  void ReadOptions(QString*, QString*, uint32_t*) const override {}
  bool WriteOptions(const QString*, const QString*, const uint32_t*) override { return true; }
  app_options::PrintSettings& PrintSettings() override { return m_settings; }
  QString DeviceFolder() const override { return platform::Device::Current()->Folder(); }
  bool DesktopCompanion() const override { return false; }
  void NotifyPatientSelected(const QString&) override {}
  void NotifyPatientDeleted(const QString&) override {}
  void NotifyPatientDataChanged(const QString&) override {}

 private:
  app_options::PrintSettings m_settings;
};

class BenchHost : public IPageHost {
 public:
  explicit BenchHost(const QString& patient = QString()) : m_patient(patient) {}
  IShell& Shell() override { return m_shell; }
  QString CurrentPatient() const override { return m_patient; }
  QString CurrentMrNumber() const override { return {}; }
  bool PatientSelected() const override { return !m_patient.isEmpty(); }
  void SetCurrentPatient(const QString& name, const QString&, const QString&) override {
    m_patient = name;
  }
  void ClearCurrentPatient() override { m_patient.clear(); }
  void RefillPatientList(bool, bool) override {}
  ITabHost& Tabs() override { return m_tabs; }
  void ReloadCurrentPage() override {}

 private:
  QString m_patient;
  BenchShell m_shell;
  CPageTabCtrl m_tabs;
};

}  // namespace bench_support
