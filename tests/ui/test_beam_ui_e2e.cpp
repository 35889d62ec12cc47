// Beaming from end to end over TCP: between two running programs on two device folders (the
// receiving one is this test program run again in a process of its own), and between the program
// and ovelin-cli.

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>

#include "beam/ui/BeamTransportChoice.h"
#include "beam/ui/CBeamProgressDlg.h"
#include "chart/CToDoPage.h"
#include "platform/BeamTransportTcp.h"
#include "shell/CommandIds.h"
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

// The program's receiver listens on a port of the system's choice (never a port found free and
// released, which another process could take in between): once it listens, announce(port) is
// called from the event loop that the receive serves.
class AnnouncedReceiver {
 public:
  explicit AnnouncedReceiver(std::function<void(uint16_t port)> announce)
      : m_announce(std::move(announce)) {
    beam_ui::SetTransportFactory([this]() -> std::unique_ptr<platform::IBeamTransport> {
      platform::TcpBeamSettings settings = platform::TcpBeamSettings::FromRegistry();
      settings.listen = {QStringLiteral("127.0.0.1"), 0};
      m_transport = std::make_shared<platform::TcpBeamTransport>(settings);
      return std::make_unique<Shared>(m_transport);
    });
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
      if (m_transport && m_transport->ListeningPort() != 0) {
        m_poll.stop();
        m_announce(m_transport->ListeningPort());
      }
    });
    m_poll.start(5);
  }
  ~AnnouncedReceiver() { beam_ui::SetTransportFactory({}); }
  AnnouncedReceiver(const AnnouncedReceiver&) = delete;
  AnnouncedReceiver& operator=(const AnnouncedReceiver&) = delete;

 private:
  // The program's use of the transport, which this object outlives.
  class Shared : public platform::IBeamTransport {
   public:
    explicit Shared(std::shared_ptr<platform::TcpBeamTransport> transport)
        : m_transport(std::move(transport)) {}
    std::unique_ptr<platform::IBeamConnector> CreateConnector() override {
      return m_transport->CreateConnector();
    }
    std::unique_ptr<platform::IBeamListener> Listen() override { return m_transport->Listen(); }

   private:
    std::shared_ptr<platform::TcpBeamTransport> m_transport;
  };

  std::function<void(uint16_t)> m_announce;
  std::shared_ptr<platform::TcpBeamTransport> m_transport;
  QTimer m_poll;
};

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
  // The other process reads the port here.
  AnnouncedReceiver receiver([](uint16_t port) {
    std::printf("listening on %s\n", qPrintable(Address(port)));
    std::fflush(stdout);
  });
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
  const QString ann = AddPatient("Ann", "Smith");
  beam_ui_test::AddRecordsOfEveryKind(ann, "travels");
  QTemporaryDir other;
  {
    platform::Device device(other.path());
    ASSERT_TRUE(device.Prepare());
  }

  QProcess receiver;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(kReceiverDeviceVariable, other.path());
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  receiver.setProcessEnvironment(environment);
  receiver.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=") + kReceiverTest});
  static const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)\n");
  QString said;
  while (!listening.match(said).hasMatch() && receiver.waitForReadyRead(kGiveUpMs)) {
    said += QString::fromUtf8(receiver.readAllStandardOutput());
  }
  const QRegularExpressionMatch port = listening.match(said);
  ASSERT_TRUE(port.hasMatch()) << said.toStdString();
  SetBeamAddresses(Address(0), "127.0.0.1:" + port.captured(1));

  ASSERT_TRUE(Start());
  ASSERT_EQ(Strip()->currentPatient, ann);
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kBeam);
  EXPECT_EQ(status, "\nPatient Smith, Ann sent successfully");
  EXPECT_EQ(WaitForExit(receiver), 0);
  said += QString::fromUtf8(receiver.readAllStandardOutput());
  EXPECT_TRUE(said.contains(QStringLiteral("[       OK ] ") + kReceiverTest)) << said.toStdString();
  const auto sent = beam_ui_test::Snapshot(ann);
  EXPECT_EQ(sent.size(), 7u);
  EXPECT_EQ(beam_ui_test::SnapshotOn(other.path(), ann), sent);
}

// ---------------------------------------------------------------------------------------------
// The program and ovelin-cli

TEST_F(BeamEndToEndTest, TheProgramReceivesWhatTheCommandLineSends) {
  AddPatient("Ann", "Smith");
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

  QProcess* cli = nullptr;
  AnnouncedReceiver receiver([&](uint16_t port) {
    cli = Cli(sender.path(), {"beam", "checkout", "Smith, Ann", "Lee, Bo", "--peer", Address(port),
                              "--timeout", "60"});
  });
  GiveUp giveUp;
  QString status;
  RecordFinalStatus(status);
  Frame()->OnCommand(command_ids::kReceiveBeam);
  EXPECT_EQ(status, "\nSuccess");
  ASSERT_NE(cli, nullptr);
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
