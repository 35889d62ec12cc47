// The Trends tab as the program loads it: from the device's extensions folder and from the folder
// beside the program, beside an extension made for interface version 1, and not at all; and the
// notices the program gives extensions when a patient's vitals or labs change.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>

#include "beam/BeamCommands.h"
#include "chart/CAddLabResultsDlg.h"
#include "chart/CAddVitalsDlg.h"
#include "chart/CLabsPage.h"
#include "chart/CVSTestsPage.h"
#include "chart/CVitalsPage.h"
#include "common/ui/CBaseListCtrl.h"
#include "shell/CommandIds.h"
#include "support/Wait.h"
#include "test_app_support.h"
#include "test_beam_ui_support.h"
#include "test_trends_support.h"

namespace {

using test_time::At;

// An extension of version 2 that only records the program's data notices.
class NoticeRecorder : public XMExtension, public IPatientDataListener {
 public:
  explicit NoticeRecorder(QStringList& notices) : m_notices(notices) {}
  QString GetAboutText1() override { return {}; }
  QString GetAboutText2() override { return {}; }
  QString GetHelpContents() override { return {}; }
  void AddChartPages(ITabHost* /*host*/) override {}
  void AddPreferencePages(ITabHost* /*host*/) override {}
  void Initialize(XMResourceMgr* resources) override {
    resources->GetPatientData()->AddDataListener(this);
  }
  bool OnCmdMsg(int /*commandId*/) override { return false; }
  bool OnRegisteredMsg(const QString& /*message*/) override { return false; }
  void OnPatientDataChanged(const QString& name) override { m_notices.append(name); }

 private:
  QStringList& m_notices;
};

class TrendsAppTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    clock_source::Fix(At(2024, 3, 4, 9, 30));
    m_jane = app_test::AddPatient(QStringLiteral("Jane"), QStringLiteral("Doe"),
                                  QStringLiteral("Clinic"));
    m_rick = app_test::AddPatient(QStringLiteral("Rick"), QStringLiteral("Roe"),
                                  QStringLiteral("Clinic"));
    trends_test::StoreThreeDays(m_jane);
    vs_tests_test::AddVitals(At(2024, 2, 1, 7, 0), QStringLiteral("Pulse\n64\n"), 0, m_rick);
  }

  // Copies a built extension library into the device's extensions folder.
  void Install(const char* library, const QString& name) {
    const QString folder =
        m_device.device().PathOf(QString::fromLatin1(XMExtensionMgr::kFolderName));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(library), folder + u'/' + name));
  }

  // Starts the program with nothing in the folder of the program's own extensions.
  bool StartWithoutProgramExtensions() {
    StartOptions options = Options();
    options.extensionsFolder = m_empty.path();
    return Start(options);
  }

  QWidget* TrendsPage() const { return Strip()->GetPage(QStringLiteral("Trends")); }
  QListWidget* Picker() const { return TrendsPage()->findChild<QListWidget*>("seriesPicker"); }
  QTableWidget* Table() const { return TrendsPage()->findChild<QTableWidget*>("valueTable"); }
  void Choose(const QString& label) const {
    const QList<QListWidgetItem*> found = Picker()->findItems(label, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << label.toStdString();
    found.first()->setCheckState(Qt::Checked);
  }

  void SelectPatient(const QString& name) {
    CPatientListCtrl& list = *ListPage().List();
    for (int row = 0; row < list.GetItemCount(); ++row) {
      if (list.GetItemText(row, 0) == name) {
        list.SelectRow(row);
      }
    }
    ASSERT_EQ(Strip()->currentPatient, name);
  }

  void AddVitalsByCommand(const QString& pulse) {
    ui_seams::PushModalHandler([pulse](QDialog& shown) {
      auto* dialog = qobject_cast<CAddVitalsDlg*>(&shown);
      if (dialog == nullptr) {
        return static_cast<int>(QDialog::Rejected);
      }
      dialog->List()->SetValue(2, pulse);  // Tmax, Temp, Pulse
      dialog->OnSave();
      return shown.result();
    });
    Frame()->View()->OnCommand(command_ids::kAddVitals);
  }

  QString m_jane;
  QString m_rick;
  QTemporaryDir m_empty;
};

TEST_F(TrendsAppTest, TheTabFollowsThePatientAndShowsANewVitalsEntryAtOnce) {
  Install(OVELIN_TRENDS_MODULE, QStringLiteral("trends.so"));
  ASSERT_TRUE(StartWithoutProgramExtensions());
  ASSERT_EQ(XMExtensionMgr::Instance()->GetSize(), 1);
  EXPECT_EQ(XMExtensionMgr::Instance()->GetInterfaceVersion(0), 2);
  // After the six tabs.
  ASSERT_EQ(Strip()->GetPageCount(), 7);
  EXPECT_EQ(Strip()->FindPage(QStringLiteral("Trends")), 6);
  ASSERT_EQ(Strip()->currentPatient, m_jane);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("Trends")), 0);
  Choose(QStringLiteral("Pulse"));
  ASSERT_EQ(Table()->rowCount(), 3);

  // A new entry filed from the toolbar while the tab is on show.
  AddVitalsByCommand(QStringLiteral("77"));
  ASSERT_EQ(Table()->rowCount(), 4);
  EXPECT_EQ(Table()->item(3, 0)->text(), QStringLiteral("03/04/2024 09:30 AM"));
  EXPECT_EQ(Table()->item(3, 1)->text(), QStringLiteral("77"));

  SelectPatient(m_rick);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("Trends")), 0);
  ASSERT_EQ(Table()->rowCount(), 1);
  EXPECT_EQ(Table()->item(0, 1)->text(), QStringLiteral("64"));
  EXPECT_TRUE(XMExtensionMgr::Instance()->LoadErrors().isEmpty());
}

TEST_F(TrendsAppTest, AVersionOneExtensionStillLoadsAndWorksBesideIt) {
  Install(OVELIN_TEST_EXTENSION, QStringLiteral("checklist.so"));
  Install(OVELIN_TRENDS_MODULE, QStringLiteral("trends.so"));
  ASSERT_TRUE(StartWithoutProgramExtensions());
  XMExtensionMgr& extensions = *XMExtensionMgr::Instance();
  ASSERT_EQ(extensions.GetSize(), 2);
  EXPECT_EQ(extensions.GetInterfaceVersion(0), 1);
  EXPECT_EQ(extensions.GetInterfaceVersion(1), 2);
  EXPECT_EQ(Strip()->FindPage(QStringLiteral("Checklist")), 6);
  EXPECT_EQ(Strip()->FindPage(QStringLiteral("Trends")), 7);
  auto* label = Strip()->GetPage(QStringLiteral("Checklist"))->findChild<QLabel*>("patient");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Checklist for Doe, Jane"));
  SelectPatient(m_rick);
  EXPECT_EQ(label->text(), QStringLiteral("Checklist for Roe, Rick"));
  EXPECT_TRUE(extensions.OnCmdMsg(15001));
}

TEST_F(TrendsAppTest, TheProgramRunsWithoutTheExtension) {
  ASSERT_TRUE(StartWithoutProgramExtensions());
  EXPECT_EQ(XMExtensionMgr::Instance()->GetSize(), 0);
  EXPECT_TRUE(XMExtensionMgr::Instance()->LoadErrors().isEmpty());
  ASSERT_EQ(Strip()->GetPageCount(), 6);
  EXPECT_EQ(Strip()->FindPage(QStringLiteral("Trends")), -1);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("VS/Tests")), 0);
  AddVitalsByCommand(QStringLiteral("80"));  // the notice reaches nobody, and harms nothing
  auto* page = dynamic_cast<CVSTestsPage*>(Strip()->GetPage(QStringLiteral("VS/Tests")));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->VitalsPage()->DateList()->count(), 4);
}

TEST_F(TrendsAppTest, TheProgramsOwnCopyLoadsFirstAndTheDevicesCopyOfItIsSkipped) {
  Install(OVELIN_TRENDS_MODULE, QFileInfo(QStringLiteral(OVELIN_TRENDS_MODULE)).fileName());
  StartOptions options = Options();
  options.extensionsFolder = QFileInfo(QStringLiteral(OVELIN_TRENDS_MODULE)).absolutePath();
  ASSERT_TRUE(Start(options));
  EXPECT_EQ(XMExtensionMgr::Instance()->GetSize(), 3);  // Trends, FHIR export, ward sync
  EXPECT_EQ(Strip()->GetPageCount(), 7);
  ASSERT_EQ(XMExtensionMgr::Instance()->LoadErrors().size(), 1);
  EXPECT_TRUE(
      XMExtensionMgr::Instance()->LoadErrors()[0].contains(QStringLiteral("already loaded")));
}

// The program as built: its Trends library lies in the "extensions" folder beside it, where it
// loads it with no option given.
TEST_F(TrendsAppTest, TheBuiltProgramLoadsTrendsFromBesideItself) {
  const QFileInfo program(QStringLiteral(OVELIN_PROGRAM_PATH));
  EXPECT_EQ(QFileInfo(QStringLiteral(OVELIN_TRENDS_MODULE)).absolutePath(),
            program.absolutePath() + QStringLiteral("/extensions"));
  QTemporaryDir folder;
  const QString picture = folder.filePath(QStringLiteral("trends.png"));
  QProcess run;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  run.setProcessEnvironment(environment);
  run.start(program.absoluteFilePath(),
            {QStringLiteral("--device"), m_device.folder(), QStringLiteral("--screenshot"), picture,
             QStringLiteral("--tab"), QStringLiteral("Trends")});
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  EXPECT_TRUE(QFile::exists(picture));
}

TEST_F(TrendsAppTest, ExtensionsAreToldWhenAPatientsVitalsOrLabsChange) {
  ASSERT_TRUE(StartWithoutProgramExtensions());
  QStringList notices;
  XMExtensionMgr::Instance()->AddExtension(std::make_unique<NoticeRecorder>(notices));

  AddVitalsByCommand(QStringLiteral("90"));
  EXPECT_EQ(notices, QStringList({m_jane}));
  ui_seams::PushModalHandler([](QDialog& shown) {
    if (auto* dialog = qobject_cast<CAddLabResultsDlg*>(&shown)) {
      dialog->OnSave();
    }
    return shown.result();
  });
  Frame()->View()->OnCommand(command_ids::kAddLabs);
  EXPECT_EQ(notices, QStringList({m_jane, m_jane}));

  // On the "VS/Tests" pages: a vitals entry saved and deleted, a lab result deleted.
  auto* page = dynamic_cast<CVSTestsPage*>(Strip()->GetPage(QStringLiteral("VS/Tests")));
  ASSERT_NE(page, nullptr);
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("VS/Tests")), 0);
  page->OnShowVitals();
  CVitalsPage& vitals = *page->VitalsPage();
  vitals.ValueList()->SetValue(2, QStringLiteral("99"));
  vitals.OnSave();
  vitals.OnDelete();  // the recorder answers OK
  page->OnShowLabs();
  CLabsPage& labs = *page->LabsPage();
  labs.UpperList()->setCurrentItem(labs.UpperList()->topLevelItem(0));
  labs.OnDelete();
  EXPECT_EQ(notices, QStringList({m_jane, m_jane, m_jane, m_jane, m_jane}));

  // A refresh asked for by another program: anybody's records may have changed.
  notices.clear();
  m_app->PostRegisteredMessage(QStringLiteral("OvelinRefreshScreen"));
  ASSERT_TRUE(test_wait::Until([&] { return !notices.isEmpty(); }));
  EXPECT_EQ(notices, QStringList({QString()}));
}

TEST_F(TrendsAppTest, AReceivedBeamIsToldAndShownOnTheTab) {
  Install(OVELIN_TRENDS_MODULE, QStringLiteral("trends.so"));
  QTemporaryDir other;
  {
    platform::Device device(other.path());
    device.Prepare();
    platform::DeviceScope scope(device);
    const QString sent = app_test::AddPatient(QStringLiteral("Jane"), QStringLiteral("Doe"),
                                              QStringLiteral("Clinic"));
    vs_tests_test::AddVitals(At(2024, 3, 4, 6, 0), QStringLiteral("Pulse\n111\n"), 0, sent);
  }
  ASSERT_TRUE(StartWithoutProgramExtensions());
  QStringList notices;
  XMExtensionMgr::Instance()->AddExtension(std::make_unique<NoticeRecorder>(notices));
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("Trends")), 0);
  Choose(QStringLiteral("Pulse"));
  ASSERT_EQ(Table()->rowCount(), 3);

  beam_ui_test::OtherDevice sender(other.path());
  sender.Send([](CBeamEngine& engine) {
    return beam_commands::BeamCheckoutList(engine, {QStringLiteral("Doe, Jane")}, false).ok;
  });
  Frame()->OnCommand(command_ids::kReceiveBeam);
  sender.Join();
  EXPECT_TRUE(sender.result);
  EXPECT_EQ(notices, QStringList({QString()}));
  ASSERT_EQ(Table()->rowCount(), 4);
  EXPECT_EQ(Table()->item(3, 1)->text(), QStringLiteral("111"));
}

// ---------------------------------------------------------------------------------------------
// Pictures for docs/, written when OVELIN_SCREENSHOT_DIR names a folder.

TEST_F(TrendsAppTest, Screenshot) {
  const QString folder = qEnvironmentVariable("OVELIN_SCREENSHOT_DIR");
  if (folder.isEmpty()) {
    GTEST_SKIP() << "OVELIN_SCREENSHOT_DIR is not set";
  }
  // Two series, blood pressure (two lines) and pulse, over a week; one pulse is no number.
  const char* pressures[] = {"142/88", "136/84", "131/82", "128/80", "124/78", "126/79"};
  const char* pulses[] = {"104", "97", "irregular", "88", "84", "82"};
  for (int day = 0; day < 6; ++day) {
    vs_tests_test::AddVitals(At(2024, 3, 5 + day, 8, 0),
                             QStringLiteral("Pulse\n%1\nBP\n%2\n")
                                 .arg(QLatin1String(pulses[day]), QLatin1String(pressures[day])),
                             0, m_jane);
  }
  Install(OVELIN_TRENDS_MODULE, QStringLiteral("trends.so"));
  ASSERT_TRUE(StartWithoutProgramExtensions());
  ASSERT_GE(Strip()->SelectPage(QStringLiteral("Trends")), 0);
  Choose(QStringLiteral("BP"));
  Choose(QStringLiteral("Pulse"));
  const auto save = [&](const char* name) {
    for (int i = 0; i < 5; ++i) {
      QCoreApplication::processEvents();
    }
    EXPECT_TRUE(Frame()->grab().save(folder + u'/' + QLatin1String(name), "PNG"));
  };
  save("trends.png");
  Frame()->resize(900, 560);
  save("trends-wide.png");
}

}  // namespace
