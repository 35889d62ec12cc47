// Beaming from end to end over TCP: between two running programs on two device folders (the
// receiving one is this test program run again in a process of its own), and between the program
// and ovelin-cli.

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "beam/ui/CBeamProgressDlg.h"
#include "chart/CToDoPage.h"
#include "platform/BeamTransportTcp.h"
#include "shell/CommandIds.h"
#include "support/Ports.h"
#include "test_app_support.h"
#include "test_beam_ui_support.h"

namespace {

using beam_ui_test::AddPatient;

constexpr const char* kReceiverDeviceVariable = "OVELIN_TEST_BEAM_RECEIVER_DEVICE";
constexpr const char* kReceiverTest = "BeamUiReceivingProgram.ReceivesOneTransfer";
constexpr int kTodoTab = 5;
// A transfer that has not ended by then is cancelled, so that a broken peer fails the test
// instead of hanging it.
constexpr int kGiveUpMs = 60000;

QString Address(uint16_t port) {
  return QStringLiteral("127.0.0.1:%1").arg(port);
}

// The transport addresses of the current device: where it listens and whom it looks for.
void SetBeamAddresses(const QString& listen, const QString& peers) {
  const char* key = platform::TcpBeamSettings::kRegistryKey;
  beam_ui_test::SetRegistryText(platform::Hive::LocalMachine, key, "Listen", listen);
  beam_ui_test::SetRegistryText(platform::Hive::LocalMachine, key, "Peers", peers);
}

// Presses Cancel on every open "Beam Progress" window once kGiveUpMs have passed.
class GiveUp {
 public:
  GiveUp() {
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* progress = dynamic_cast<CBeamProgressDlg*>(window)) {
          progress->OnCancel();
        }
      }
    });
    m_timer.start(kGiveUpMs);
  }

 private:
  QTimer m_timer;
};

// The final status of the next "Beam Progress" window; "Done" is pressed at once.
void RecordFinalStatus(QString& status) {
  ui_seams::PushModalHandler([&status](QDialog& dialog) {
    if (auto* progress = dynamic_cast<CBeamProgressDlg*>(&dialog)) {
      status = progress->StatusLabel()->text();
      progress->CancelButton()->click();
    }
    return dialog.result();
  });
}

int WaitForExit(QProcess& process) {
  if (process.error() == QProcess::FailedToStart) {
    return -1;
  }
  // The process may have ended while the program's own loop ran (waitForFinished then answers
  // false at once): its exit is read as it is.
  if (process.state() != QProcess::NotRunning && !process.waitForFinished(kGiveUpMs * 2)) {
    process.kill();
    process.waitForFinished();
    return -1;
  }
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

class BeamEndToEndTest : public app_test::AppTest {
 protected:
  QProcess* Cli(const QString& folder, const QStringList& arguments) {
    auto* cli = new QProcess;
    m_processes.emplace_back(cli);
    cli->start(QStringLiteral(OVELIN_CLI_PATH), QStringList{"--device", folder} + arguments);
    return cli;
  }

  std::vector<std::unique_ptr<QProcess>> m_processes;
};

// ---------------------------------------------------------------------------------------------
// Two programs

// The receiving program: run only as the other process of the test below.
class BeamUiReceivingProgram : public app_test::AppTest {};

TEST_F(BeamUiReceivingProgram, ReceivesOneTransfer) {
  const QString folder = qEnvironmentVariable(kReceiverDeviceVariable);
  if (folder.isEmpty()) {
    GTEST_SKIP() << "the receiving side of BeamEndToEndTest.PatientGoesFromOneProgramToAnother";
  }
  platform::Device device(folder);
  ASSERT_TRUE(device.Prepare());
  platform::DeviceScope scope(device);
  StartOptions options = Options();
  options.deviceFolder = folder;
  ASSERT_TRUE(Start(options));
  ASSERT_EQ(ListPage().List()->GetItemCount(), 0);
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kReceiveBeam);
  EXPECT_EQ(status, "\nPatient Smith, Ann received successfully");
  // The patient list shows the received patient at once.
  EXPECT_EQ(ListPage().List()->GetItemCount(), 1);
  EXPECT_EQ(Strip()->currentPatient, "Smith, Ann");
  m_app.reset();
}

TEST_F(BeamEndToEndTest, PatientGoesFromOneProgramToAnother) {
  const uint16_t port = test_ports::FreePort();
  const QString ann = AddPatient("Ann", "Smith");
  beam_ui_test::AddRecordsOfEveryKind(ann, "travels");
  SetBeamAddresses(Address(0), Address(port));
  QTemporaryDir other;
  {
    platform::Device device(other.path());
    ASSERT_TRUE(device.Prepare());
    platform::DeviceScope scope(device);
    SetBeamAddresses(Address(port), Address(port));
  }

  QProcess receiver;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kReceiverDeviceVariable, other.path());
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  receiver.setProcessEnvironment(environment);
  receiver.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=") + kReceiverTest});

  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, ann);
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kBeam);
  EXPECT_EQ(status, "\nPatient Smith, Ann sent successfully");
  EXPECT_EQ(WaitForExit(receiver), 0);
  const QString said = QString::fromUtf8(receiver.readAllStandardOutput());
  EXPECT_TRUE(said.contains(QStringLiteral("[       OK ] ") + kReceiverTest)) << said.toStdString();
  const auto sent = beam_ui_test::Snapshot(ann);
  EXPECT_EQ(sent.size(), 7u);
  EXPECT_EQ(beam_ui_test::SnapshotOn(other.path(), ann), sent);
}

// ---------------------------------------------------------------------------------------------
// The program and ovelin-cli

TEST_F(BeamEndToEndTest, TheProgramReceivesWhatTheCommandLineSends) {
  const uint16_t port = test_ports::FreePort();
  AddPatient("Ann", "Smith");
  SetBeamAddresses(Address(port), Address(port));
  QTemporaryDir sender;
  {
    platform::Device device(sender.path());
    ASSERT_TRUE(device.Prepare());
    platform::DeviceScope scope(device);
    beam_ui_test::AddRecordsOfEveryKind(AddPatient("Ann", "Smith"), "from the desk");
    AddPatient("Bo", "Lee");
  }
  ASSERT_TRUE(Start());
  ASSERT_TRUE(Strip()->SelectPage(kTodoTab));
  auto* todo = dynamic_cast<CToDoPage*>(Strip()->GetPage(kTodoTab));
  ASSERT_NE(todo, nullptr);
  ASSERT_EQ(todo->List()->GetItemCount(), 0);

  QProcess* cli = Cli(sender.path(), {"beam", "checkout", "Smith, Ann", "Lee, Bo", "--peer",
                                      Address(port), "--timeout", "60"});
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kReceiveBeam);
  EXPECT_EQ(status, "\nSuccess");
  EXPECT_EQ(WaitForExit(*cli), 0) << cli->readAllStandardOutput().toStdString();
  EXPECT_EQ(ListPage().List()->GetItemCount(), 2);
  ASSERT_EQ(todo->List()->GetItemCount(), 1);
  EXPECT_EQ(todo->List()->GetItemText(0, CToDoPage::kTextColumn), "Todo from the desk");
}

TEST_F(BeamEndToEndTest, TheCommandLineReceivesTheTodoItemTheProgramBeams) {
  const QString ann = AddPatient("Ann", "Smith");
  beam_ui_test::AddRecordsOfEveryKind(ann, "kept");
  QTemporaryDir receiving;
  QProcess* cli =
      Cli(receiving.path(), {"beam", "receive", "--listen", "127.0.0.1:0", "--timeout", "60"});
  cli->setReadChannel(QProcess::StandardError);
  static const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)");
  QString said;
  uint16_t port = 0;
  while (port == 0 && cli->waitForReadyRead(kGiveUpMs)) {
    said += QString::fromUtf8(cli->readAllStandardError());
    const QRegularExpressionMatch match = listening.match(said);
    port = match.hasMatch() ? static_cast<uint16_t>(match.captured(1).toUInt()) : 0;
  }
  ASSERT_NE(port, 0) << said.toStdString();
  SetBeamAddresses(Address(0), Address(port));

  ASSERT_TRUE(Start());
  ASSERT_TRUE(Strip()->SelectPage(kTodoTab));
  auto* todo = dynamic_cast<CToDoPage*>(Strip()->GetPage(kTodoTab));
  ASSERT_NE(todo, nullptr);
  ASSERT_EQ(todo->List()->GetItemCount(), 1);
  todo->List()->SelectRow(0);
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kBeam);
  EXPECT_EQ(status, "\nRecord sent successfully");
  EXPECT_EQ(WaitForExit(*cli), 0) << cli->readAllStandardOutput().toStdString();

  platform::Device device(receiving.path());
  platform::DeviceScope scope(device);
  EXPECT_TRUE(CDBPatient().FindByName(ann));
  CDBToDo received;
  ASSERT_TRUE(received.FindFirstOfPatient(ann, -1));
  EXPECT_EQ(received.text, "Todo kept");
  EXPECT_FALSE(received.FindNextOfPatient(ann, -1));
  CDBMeds meds;
  EXPECT_FALSE(meds.FindFirstOfPatient(ann));  // a record goes with its patient only
}

}  // namespace
