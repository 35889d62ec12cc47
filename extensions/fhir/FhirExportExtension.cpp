// The FHIR export extension: "Export Chart as FHIR..." saves the current patient's chart as one
// FHIR R4 bundle, in a file chosen by the person, readable by its owner only. It asks the program
// for the bundle (interface version 3) and writes it through the program's own services, so it
// needs nothing of the program but the extension interface.

#include <QRegularExpression>

#include "common/XMExtension.h"

namespace {

constexpr int kInterfaceVersion = 3;
constexpr int kExportCommand = 16001;

// A file name made of the patient's name: letters and digits kept, the rest as underscores.
QString ProposedFile(const QString& patient) {
  static const QRegularExpression unsafe(QStringLiteral("[^\\p{L}\\p{N}]+"));
  QString name = patient;
  name.replace(unsafe, QStringLiteral("_"));
  return name + QStringLiteral(".fhir.json");
}

class FhirExportExtension : public XMExtension {
 public:
  QString GetAboutText1() override { return QStringLiteral("FHIR Export 1.0"); }
  QString GetAboutText2() override { return {}; }
  QString GetHelpContents() override {
    return QStringLiteral(
        "<h2>Export Chart as FHIR</h2><p>File, Export Chart as FHIR... saves the chart of the "
        "patient you are working on as one FHIR R4 bundle (a JSON file) that hospital record "
        "systems read. Vital signs whose name or unit is not recognised are saved with their "
        "name and value as text; the message after saving says how many.</p>");
  }
  void AddChartPages(ITabHost* /*host*/) override {}
  void AddPreferencePages(ITabHost* /*host*/) override {}

  void Initialize(XMResourceMgr* resources) override {
    m_resources = resources;
    if (resources != nullptr) {
      resources->AddCommand(kExportCommand, QStringLiteral("Export Chart as FHIR..."));
    }
  }

  bool OnCmdMsg(int commandId) override {
    if (commandId != kExportCommand || m_resources == nullptr) {
      return false;
    }
    ExportCurrentPatient();
    return true;
  }

  bool OnRegisteredMsg(const QString& /*message*/) override { return false; }

 private:
  void ExportCurrentPatient() {
    const QString patient = m_resources->GetPatientData()->CurrentPatient();
    if (patient.isEmpty()) {
      m_resources->ShowWarning(QStringLiteral("Select a patient, then export the chart."));
      return;
    }
    QByteArray json;
    QString summary;
    QString error;
    if (!m_resources->ExportFhir(patient, json, summary, error)) {
      m_resources->ShowWarning(QStringLiteral("The chart could not be exported: %1").arg(error));
      return;
    }
    const QString path = m_resources->GetSaveFileName(
        nullptr, QStringLiteral("Export Chart as FHIR"), ProposedFile(patient),
        QStringLiteral("FHIR bundles (*.json)"), QStringLiteral("json"));
    if (path.isEmpty()) {
      return;  // the person cancelled
    }
    if (!m_resources->WritePrivateFile(path, json, error)) {
      m_resources->ShowWarning(QStringLiteral("The chart could not be saved: %1").arg(error));
      return;
    }
    m_resources->ShowInformation(
        QStringLiteral("The chart of %1 was saved to %2.\n\n%3.").arg(patient, path, summary));
  }

  XMResourceMgr* m_resources = nullptr;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) XMExtension* OvelinCreateExtension(
    int interfaceVersion) {
  return interfaceVersion == kInterfaceVersion ? new FhirExportExtension : nullptr;
}
