// "Synchronise" and the "Ward server" preference page: the program's own ward synchronisation
// extension, loaded from beside the program as it is built, against a private PostgreSQL server.
// Without a server it says where to set one; the page refuses an address holding a password and
// keeps the rest; a sync brings a colleague's patient into the list and says what it did.

#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/CMainFrame.h"
#include "common/MessageService.h"
#include "patients/CPatientListPage.h"
#include "platform/Registry.h"
#include "security/CPreferencesDlg.h"
#include "shell/CPageTabCtrl.h"
#include "support/WardServer.h"
#include "sync/Synchroniser.h"
#include "test_app_support.h"

namespace {

int RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(QStringLiteral(OVELIN_CLI_PATH), arguments);
  return cli.waitForFinished(120000) ? cli.exitCode() : -1;
}

class WardSyncExtensionTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    messages::Install(nullptr);
    messages::DefaultRecorder().Clear();
  }
  void TearDown() override {
    messages::DefaultRecorder().Clear();
    AppTest::TearDown();
  }

  QString LastMessage() const {
    const auto& shown = messages::DefaultRecorder().Messages();
    return shown.empty() ? QString() : shown.back().text;
  }

  // Enters the page's fields and presses OK; whether the dialog closed.
  bool SetWardServer(const QString& server, const QString& user) {
    CPreferencesDlg dialog(*m_app);
    auto* tabs = dialog.findChild<CPageTabCtrl*>(QStringLiteral("prefsTabs"));
    EXPECT_GE(tabs->SelectPage(QStringLiteral("Ward server")), 0);
    auto* serverField = dialog.findChild<QLineEdit*>(QStringLiteral("wardServer"));
    auto* userField = dialog.findChild<QLineEdit*>(QStringLiteral("wardUser"));
    EXPECT_EQ(serverField->accessibleName(), "Ward server");
    serverField->setText(server);
    userField->setText(user);
    dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    return dialog.result() == QDialog::Accepted;
  }
};

TEST_F(WardSyncExtensionTest, SynchroniseBringsAColleaguesPatientAndSaysWhatItDid) {
  static WardServer server;
  ASSERT_TRUE(server.Failure().isEmpty()) << server.Failure().toStdString();
  QString message;
  QString error;
  ASSERT_TRUE(ward_sync::InitialiseServer(server.ConnInfo("postgres"), message, error))
      << error.toStdString();
  server.Sql("CREATE ROLE ward_nurse LOGIN IN ROLE ward_device");
  QTemporaryDir colleague;
  ASSERT_EQ(RunCli({"--device", colleague.path(), "patient", "add", "--first", "Bo", "--last", "Ng",
                    "--type", "Clinic"}),
            0);
  ASSERT_EQ(
      RunCli({"--device", colleague.path(), "sync", "--server", server.ConnInfo("ward_nurse")}), 0);

  ASSERT_TRUE(StartAsBuilt());
  ChooseMenuEntry("Synchronise");
  EXPECT_TRUE(LastMessage().contains("No ward server is set")) << LastMessage().toStdString();

  const QString address =
      QStringLiteral("host=%1 dbname=ward").arg(server.ConnInfo("x").section(' ', 0, 0).mid(5));
  EXPECT_FALSE(SetWardServer(address + " password=secret", "ward_nurse"));
  EXPECT_TRUE(LastMessage().contains("holds a password"));
  ASSERT_TRUE(SetWardServer(address, "ward_nurse"));
  platform::RegistryKey key;
  QString stored;
  ASSERT_TRUE(key.Open(platform::Hive::CurrentUser, QStringLiteral("Software\\Quillfen\\Sync")));
  ASSERT_TRUE(key.QueryString(QStringLiteral("Server"), stored));
  EXPECT_EQ(stored, address);

  ChooseMenuEntry("Synchronise");
  EXPECT_TRUE(LastMessage().startsWith("Synchronised with ward_nurse@ward"))
      << LastMessage().toStdString();
  EXPECT_TRUE(LastMessage().contains("1 change received")) << LastMessage().toStdString();
  EXPECT_EQ(ListPage().List()->GetItemText(0, 0), "Ng, Bo");
}

}  // namespace
