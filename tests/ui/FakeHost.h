#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "common/ui/CTabPage.h"
#include "platform/Device.h"
#include "shell/CPageTabCtrl.h"
#include "shell/IPageHost.h"
#include "shell/IShell.h"

// The shell a page or dialog is handed in a test: options in the test device's registry,
// printer settings in memory, and the extension notifications recorded.
class FakeShell : public IShell {
 public:
  void ReadOptions(QString* password, QString* hint, uint32_t* timeout) const override {
    app_options::ReadOptions(password, hint, timeout);
  }
  bool WriteOptions(const QString* password, const QString* hint,
                    const uint32_t* timeout) override {
    if (timeout != nullptr) {
      timeoutsWritten.push_back(*timeout);
    }
    return app_options::WriteOptions(password, hint, timeout);
  }
  app_options::PrintSettings& PrintSettings() override { return printSettings; }
  QString DeviceFolder() const override { return platform::Device::Current()->Folder(); }
  bool DesktopCompanion() const override { return desktopCompanion; }
  void NotifyPatientSelected(const QString& name) override { selected.append(name); }
  void NotifyPatientDeleted(const QString& name) override { deleted.append(name); }
  void NotifyPatientDataChanged(const QString& name) override { dataChanged.append(name); }

  app_options::PrintSettings printSettings;
  bool desktopCompanion = false;
  QStringList selected;
  QStringList deleted;
  QStringList dataChanged;
  std::vector<uint32_t> timeoutsWritten;
};

// The strip a page is handed in a test: the current patient as plain fields, the patient-list
// requests recorded (a test may answer them), and a page strip of its own for the pages.
class FakePageHost : public IPageHost {
 public:
  IShell& Shell() override { return shell; }
  QString CurrentPatient() const override { return patient; }
  QString CurrentMrNumber() const override { return mrNumber; }
  bool PatientSelected() const override { return selected; }
  void SetCurrentPatient(const QString& name, const QString& mr,
                         const QString& roomNumber) override {
    patient = name;
    mrNumber = mr;
    room = roomNumber;
    selected = true;
    shell.NotifyPatientSelected(name);
  }
  void ClearCurrentPatient() override {
    patient.clear();
    mrNumber.clear();
    room.clear();
    selected = false;
    ++cleared;
    shell.NotifyPatientSelected(QString());
  }
  void RefillPatientList(bool keepSelection, bool refreshTypes) override {
    refills.push_back({keepSelection, refreshTypes});
    if (onRefill) {
      onRefill(keepSelection, refreshTypes);
    }
  }
  ITabHost& Tabs() override { return tabs; }
  void ReloadCurrentPage() override {
    ++reloads;
    if (CTabPage* page = tabs.GetCurrentPage()) {
      page->OnSetActive();
    }
  }

  // Makes name the current patient without telling anybody, as the strip holds it when a page
  // is shown.
  void Select(const QString& name) {
    patient = name;
    selected = !name.isEmpty();
  }

  struct Refill {
    bool keepSelection;
    bool refreshTypes;
  };

  FakeShell shell;
  CPageTabCtrl tabs;
  QString patient;
  QString mrNumber;
  QString room;
  bool selected = false;
  int cleared = 0;
  int reloads = 0;
  std::vector<Refill> refills;
  std::function<void(bool keepSelection, bool refreshTypes)> onRefill;
};
