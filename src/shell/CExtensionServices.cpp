#include "shell/CExtensionServices.h"

#include <QJsonDocument>
#include "common/MessageService.h"
#include "common/ui/UiSeams.h"

#include "platform/Device.h"
#include "platform/DeviceIdentity.h"
#include "platform/PrivateFile.h"
#include "store/FhirExport.h"

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
