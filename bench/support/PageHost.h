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
  app_options::PrintSettings& PrintSettings() override { return settings_; }
  QString DeviceFolder() const override { return platform::Device::Current()->Folder(); }
  bool DesktopCompanion() const override { return false; }
  void NotifyPatientSelected(const QString&) override {}
  void NotifyPatientDeleted(const QString&) override {}
  void NotifyPatientDataChanged(const QString&) override {}

 private:
  app_options::PrintSettings settings_;
};

class BenchHost : public IPageHost {
 public:
  explicit BenchHost(const QString& patient = QString()) : patient_(patient) {}
  IShell& Shell() override { return shell_; }
  QString CurrentPatient() const override { return patient_; }
  QString CurrentMrNumber() const override { return {}; }
  bool PatientSelected() const override { return !patient_.isEmpty(); }
  void SetCurrentPatient(const QString& name, const QString&, const QString&) override {
    patient_ = name;
  }
  void ClearCurrentPatient() override { patient_.clear(); }
  void RefillPatientList(bool, bool) override {}
  ITabHost& Tabs() override { return tabs_; }
  void ReloadCurrentPage() override {}

 private:
  QString patient_;
  BenchShell shell_;
  CPageTabCtrl tabs_;
};

}  // namespace bench_support
