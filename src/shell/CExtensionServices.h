#pragma once

#include <functional>

#include "common/XMExtension.h"
#include "shell/CPatientDataSource.h"

// What the program offers extensions beyond the main window: the patient data, the save-file
// dialog, private files, the message box and the FHIR export, each through the program's own seam
// so that it behaves (and is tested) as for the program's pages. The application's resource manager
// derives from it and adds the main window's command bar, listeners and menu.
class CExtensionServices : public XMResourceMgr {
 public:
  XMPatientData* GetPatientData() override { return &m_patientData; }
  QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& proposed,
                          const QString& filter, const QString& defaultSuffix) override;
  bool WritePrivateFile(const QString& path, const QByteArray& bytes, QString& error) override;
  void ShowWarning(const QString& text) override;
  bool ExportFhir(const QString& patient, QByteArray& json, QString& summary,
                  QString& error) override;
  void ShowInformation(const QString& text) override;
  bool Synchronise(QWidget* parent, QString& summary, QString& error) override;
  QString ReadUserSetting(const QString& key, const QString& value) override;
  bool WriteUserSetting(const QString& key, const QString& value, const QString& text) override;

  // Called after a synchronisation changed the device, so that the program shows it anew.
  void SetDeviceChangedHandler(std::function<void()> handler) {
    m_deviceChanged = std::move(handler);
  }

  CPatientDataSource& PatientData() { return m_patientData; }

 protected:
  ~CExtensionServices() override = default;

 private:
  CPatientDataSource m_patientData;
  std::function<void()> m_deviceChanged;
};
