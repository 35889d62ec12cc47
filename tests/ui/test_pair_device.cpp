// "Pair Device": the program pairs with a device waiting at the command line, the person's
// check of the digits goes through the message seam, and the paired device can be unpaired.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/CAboutDlg.h"
#include "beam/ui/CPairDeviceDlg.h"
#include "common/MessageService.h"
#include "platform/Device.h"
#include "platform/PairedDevices.h"
#include "test_app_support.h"

namespace {

QString CliOutput(const QString& folder, const QStringList& arguments) {
  QProcess cli;
  cli.start(OVELIN_CLI_PATH, QStringList{"--device", folder} + arguments);
  cli.waitForFinished(60000);
  return QString::fromUtf8(cli.readAllStandardOutput());
}

class PairDeviceDlgTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(m_device.Prepare());
    messages::Install(nullptr);
    messages::DefaultRecorder().Clear();
  }
  void TearDown() override {
    messages::DefaultRecorder().Clear();
    AppTest::TearDown();
  }

  QTemporaryDir m_folder;
  platform::Device m_device{m_folder.path()};
  platform::DeviceScope m_scope{m_device};
};

TEST_F(PairDeviceDlgTest, PairsWithADeviceWaitingAtTheCommandLineAndUnpairsIt) {
  QTemporaryDir desk;
  QProcess waiting;
  waiting.start(OVELIN_CLI_PATH,
                {"--device", desk.path(), "pair", "--listen", "127.0.0.1:0", "--name", "cart"});
  waiting.write("y\n");  // the desk's person, who will see the same digits
  waiting.setReadChannel(QProcess::StandardError);
  static const QRegularExpression listening("on 127\\.0\\.0\\.1:(\\d+)");
  QString said;
  while (!listening.match(said).hasMatch() && waiting.waitForReadyRead(60000)) {
    said += QString::fromUtf8(waiting.readAllStandardError());
  }
  const QRegularExpressionMatch port = listening.match(said);
  ASSERT_TRUE(port.hasMatch()) << said.toStdString();

  CPairDeviceDlg dialog(m_folder.path());
  EXPECT_EQ(dialog.Fingerprint()->text() + "\n", CliOutput(m_folder.path(), {"pair", "--show"}));
  EXPECT_EQ(dialog.PairedList()->count(), 0);
  dialog.ConnectChoice()->setChecked(true);
  EXPECT_FALSE(dialog.WaitAddress()->isEnabled());
  dialog.ConnectAddress()->setText("127.0.0.1:" + port.captured(1));
  dialog.NameBox()->setText("Ward 5 desk");
  dialog.StartButton()->click();

  ASSERT_TRUE(waiting.waitForFinished(60000));
  const QString deskSaid = QString::fromUtf8(waiting.readAllStandardOutput());
  EXPECT_EQ(waiting.exitCode(), 0) << deskSaid.toStdString();
  EXPECT_EQ(dialog.Status()->text(), "Paired with Ward 5 desk");
  const std::vector<messages::Shown>& asked = messages::DefaultRecorder().Messages();
  ASSERT_EQ(asked.size(), 1u);
  const QRegularExpressionMatch digits =
      QRegularExpression("Digits: (\\d{3} \\d{3})\n").match(asked[0].text);
  ASSERT_TRUE(digits.hasMatch()) << asked[0].text.toStdString();
  EXPECT_TRUE(deskSaid.contains("Digits: " + digits.captured(1))) << deskSaid.toStdString();
  ASSERT_EQ(dialog.PairedList()->count(), 1);
  EXPECT_TRUE(dialog.PairedList()->item(0)->text().startsWith("Ward 5 desk ("));

  dialog.PairedList()->setCurrentRow(0);
  dialog.UnpairButton()->click();  // the message seam answers yes
  EXPECT_EQ(dialog.PairedList()->count(), 0);
  platform::PairedDevices list;
  QString error;
  ASSERT_TRUE(list.Load(m_folder.path(), error));
  EXPECT_TRUE(list.Devices().empty());
}

TEST_F(PairDeviceDlgTest, TheAboutBoxShowsTheFingerprintButWritesNoKeyIntoAReadOnlyDevice) {
  {
    QTemporaryDir damaged;
    platform::Device device(damaged.path());
    ASSERT_TRUE(device.Prepare());
    device.SetReadOnly(true);
    platform::DeviceScope scope(device);
    CAboutDlg about;
    EXPECT_TRUE(about.Fingerprint()->text().startsWith("The device's key cannot be read"));
    EXPECT_FALSE(QFile::exists(damaged.filePath("device-key.pem")));
  }
  CAboutDlg about;
  QString shown = CliOutput(m_folder.path(), {"pair", "--show"}).trimmed();
  shown[39] = QLatin1Char('\n');  // the About box shows the sixteen groups as two lines of eight
  EXPECT_EQ(about.Fingerprint()->text(), "Device fingerprint:\n" + shown);
}

}  // namespace
