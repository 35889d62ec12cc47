// "Export Chart as FHIR...": the program's own FHIR extension, loaded from beside the program as
// it is built, saves the current patient's chart through the save-file seam, 0600, and says what
// it wrote; without a patient it asks for one and writes nothing.

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/CMainFrame.h"
#include "common/MessageService.h"
#include "common/ui/UiSeams.h"
#include "patients/CPatientListPage.h"
#include "test_app_support.h"

namespace {

class FhirExtensionTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    messages::Install(nullptr);
    messages::DefaultRecorder().Clear();
    ui_seams::SetSaveFileHandler([this](const ui_seams::SaveFileRequest& request) {
      m_proposed = request.directory;
      return m_chosen;
    });
  }
  void TearDown() override {
    ui_seams::SetSaveFileHandler({});
    messages::DefaultRecorder().Clear();
    AppTest::TearDown();
  }

  QTemporaryDir m_folder;
  QString m_chosen = m_folder.filePath("chart.json");
  QString m_proposed;
};

TEST_F(FhirExtensionTest, SavesTheCurrentPatientsChartOrAsksForAPatient) {
  ASSERT_TRUE(StartAsBuilt());  // a device without patients
  ChooseMenuEntry("Export Chart as FHIR...");
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 1u);
  EXPECT_EQ(messages::DefaultRecorder().Messages()[0].text,
            "Select a patient, then export the chart.");
  EXPECT_FALSE(QFile::exists(m_chosen));

  const QString ann = app_test::AddPatient("Ann", "Smith", "Clinic", "12", "MR-5");
  ASSERT_TRUE(StartAsBuilt());
  ListPage().List()->SelectRow(0);
  ASSERT_EQ(Strip()->currentPatient, ann);
  ChooseMenuEntry("Export Chart as FHIR...");
  EXPECT_EQ(m_proposed, "Smith_Ann.fhir.json");
  QFile saved(m_chosen);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
  const QJsonObject bundle = QJsonDocument::fromJson(saved.readAll()).object();
  EXPECT_EQ(bundle["type"].toString(), "collection");
  const QJsonObject patient = bundle["entry"][0]["resource"].toObject();
  EXPECT_EQ(patient["resourceType"].toString(), "Patient");
  EXPECT_EQ(patient["identifier"][0]["value"].toString(), "MR-5");
  ASSERT_EQ(messages::DefaultRecorder().Messages().size(), 2u);
  EXPECT_TRUE(messages::DefaultRecorder().Messages()[1].text.startsWith(
      "The chart of Smith, Ann was saved to " + m_chosen + ".\n\n1 patients, 1 resources"))
      << messages::DefaultRecorder().Messages()[1].text.toStdString();
}

}  // namespace
