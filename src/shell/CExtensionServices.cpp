#include "shell/CExtensionServices.h"

#include <QJsonDocument>
#include "common/MessageService.h"
#include "common/ui/UiSeams.h"

#include "common/ui/CProgressDlg.h"
#include "platform/Device.h"
#include "platform/DeviceIdentity.h"
#include "platform/PrivateFile.h"
#include "platform/Registry.h"
#include "store/FhirExport.h"
#include "sync/Synchroniser.h"
#include "sync/WardSettings.h"

QString CExtensionServices::GetSaveFileName(QWidget* parent, const QString& caption,
                                            const QString& proposed, const QString& filter,
                                            const QString& defaultSuffix) {
  return ui_seams::GetSaveFileName(parent, caption, proposed, filter, defaultSuffix);
}

bool CExtensionServices::WritePrivateFile(const QString& path, const QByteArray& bytes,
                                          QString& error) {
  return platform::WritePrivateFileAtomically(path, bytes, error);
}

void CExtensionServices::ShowWarning(const QString& text) {
  messages::Show(text, messages::Buttons::Ok, messages::Icon::Exclamation);
}

bool CExtensionServices::ExportFhir(const QString& patient, QByteArray& json, QString& summary,
                                    QString& error) {
  // The device's key names it in the resources' ids: the key is made here if it is not yet.
  platform::DeviceIdentity identity;
  if (!identity.LoadOrCreate(platform::Device::Current()->Folder(), error)) {
    return false;
  }
  json.clear();
  const fhir::Sink write = [&json](const QByteArray& bytes) {
    json += bytes;
    return true;
  };
  fhir::Summary counts;
  if (patient.isEmpty()) {
    error = QStringLiteral("no patient is selected");
    return false;
  }
  if (!fhir::Export(patient, identity.Pin(), write, counts, error)) {
    return false;
  }
  summary = counts.Describe();
  return true;
}

void CExtensionServices::ShowInformation(const QString& text) {
  messages::Show(text, messages::Buttons::Ok, messages::Icon::Information);
}

bool CExtensionServices::Synchronise(QWidget* parent, QString& summary, QString& error) {
  const QString conninfo = ward_sync::ConnectionString(ward_sync::LoadSettings());
  if (conninfo.isEmpty()) {
    error = QStringLiteral(
        "No ward server is set. Enter it in Preferences, on the \"Ward server\" page.");
    return false;
  }
  CProgressDlg progress(parent);
  progress.Start(QStringLiteral("Synchronise"));
  progress.SetStatus(QStringLiteral("Synchronising with the ward server..."));
  ward_sync::Options options;
  options.conninfo = conninfo;
  options.progress = [&progress](uint64_t done, uint64_t total) {
    progress.SetProgress(static_cast<int>(std::min<uint64_t>(done, INT32_MAX)),
                         static_cast<int>(std::min<uint64_t>(total, INT32_MAX)));
  };
  options.cancelled = [&progress] { return progress.IsCancelled(); };
  ward_sync::Report report;
  const bool done = ward_sync::Synchronise(options, report, error);
  progress.close();
  if (report.deviceChanged && m_deviceChanged) {
    m_deviceChanged();
  }
  if (done) {
    summary = ward_sync::Describe(report).join(QLatin1Char('\n'));
  }
  return done;
}

QString CExtensionServices::ReadUserSetting(const QString& key, const QString& value) {
  platform::RegistryKey registry;
  QString text;
  if (registry.Open(platform::Hive::CurrentUser, QStringLiteral("Software\\Quillfen\\") + key)) {
    registry.QueryString(value, text);
  }
  return text;
}

bool CExtensionServices::WriteUserSetting(const QString& key, const QString& value,
                                          const QString& text) {
  platform::RegistryKey registry;
  return registry.Create(platform::Hive::CurrentUser,
                         QStringLiteral("Software\\Quillfen\\") + key) &&
         registry.SetString(value, text);
}
