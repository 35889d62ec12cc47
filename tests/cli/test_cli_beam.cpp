// ovelin-cli beam: two real processes on two device folders beaming over loopback, and the
// command's input checks, synchronisation rule and time-outs run in-process.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "beam/CBeamRecord.h"
#include "cli/CliRunner.h"
#include "common/CDBPatient.h"
#include "platform/Device.h"
#include "store/CDBLabValues.h"
#include "store/CDBMeds.h"
#include "store/CDBNotes.h"
#include "store/CDBTest.h"
#include "store/CDBToDo.h"
#include "store/CDBVitals.h"
#include "support/Ports.h"

namespace {

constexpr uint8_t kSections[] = {2, 3, 4, 5, 6, 7};

FILETIME At(int minute) {
  SYSTEMTIME parts;
  parts.wYear = 2024;
  parts.wMonth = 5;
  parts.wDay = 2;
  parts.wHour = 9;
  parts.wMinute = static_cast<uint16_t>(minute);
  FILETIME time;
  filetime::FromSystemTime(parts, time);
  return time;
}

// One record of every chart kind for the patient, on the current device.
void AddRecordsOfEveryKind(const QString& patient, int minute) {
  CDBLabValues labs;
  labs.patient = patient;
  labs.date = labs.time = At(minute);
  labs.group = "CBC";
  labs.values = "WBC\n7.2\n";
  ASSERT_TRUE(labs.AddNew(false));
  CDBMeds meds;
  meds.patient = patient;
  meds.drug = QStringLiteral("Drug %1").arg(minute);
  meds.dose = "5 mg";
  meds.startDate = At(minute);
  ASSERT_TRUE(meds.AddNew(false));
  CDBNotes notes;
  notes.patient = patient;
  notes.date = notes.time = At(minute);
  notes.noteText = "Doing well";
  ASSERT_TRUE(notes.AddNew(false));
  CDBTest tests;
  tests.patient = patient;
  tests.date = tests.time = At(minute);
  tests.test = "ECG";
  tests.result = "sinus";
  ASSERT_TRUE(tests.AddNew(false));
  CDBToDo todos;
  todos.patient = patient;
  todos.flags = 1;
  todos.text = QStringLiteral("Call family %1").arg(minute);
  ASSERT_NE(todos.AddNew(false), 0u);
  CDBVitals vitals;
  vitals.patient = patient;
  vitals.date = vitals.time = At(minute);
  vitals.values = "T\n37.0\n";
  ASSERT_TRUE(vitals.AddNew(false));
}

// The serialised patient and records, section by section: equal on two devices when every
// member is.
std::vector<std::vector<uint8_t>> Snapshot(const QString& folder, const QString& patient) {
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  std::vector<std::vector<uint8_t>> records;
  CBeamRecord record;
  if (record.FindPatient(patient)) {
    record.SerializeRecord(records.emplace_back());
  }
  for (uint8_t kind : kSections) {
    for (bool found = record.FirstOf(kind, patient); found; found = record.NextOf(kind, patient)) {
      record.SerializeRecord(records.emplace_back());
    }
  }
  return records;
}

void Seed(const QString& folder, const QStringList& first, const QStringList& last) {
  for (qsizetype i = 0; i < first.size(); ++i) {
    QProcess add;
    add.start(OVELIN_CLI_PATH, {"--device", folder, "patient", "add", "--first", first[i], "--last",
                                last[i], "--type", "Hospital", "--mr", "M1"});
    ASSERT_TRUE(add.waitForFinished(60000));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();
  }
  platform::Device device(folder);
  platform::DeviceScope scope(device);
  for (qsizetype i = 0; i < first.size(); ++i) {
    AddRecordsOfEveryKind(CDBPatient::MakeFullName(first[i], last[i]), 5);
    AddRecordsOfEveryKind(CDBPatient::MakeFullName(first[i], last[i]), 9);
  }
}

// A receiving process; answers the port it listens on (0 when it did not say).
uint16_t StartReceiver(QProcess& receiver, const QString& folder,
                       const QString& timeout = QStringLiteral("120")) {
  receiver.setReadChannel(QProcess::StandardError);  // where it says its port
  receiver.start(OVELIN_CLI_PATH, {"--device", folder, "beam", "receive", "--listen", "127.0.0.1:0",
                                   "--timeout", timeout});
  static const QRegularExpression listening("listening on 127\\.0\\.0\\.1:(\\d+)");
  QByteArray said;
  while (receiver.waitForReadyRead(60000)) {
    said += receiver.readAllStandardError();
    const QRegularExpressionMatch match = listening.match(QString::fromUtf8(said));
    if (match.hasMatch()) {
      return static_cast<uint16_t>(match.captured(1).toUInt());
    }
  }
  return 0;
}

struct Finished {
  int code = -1;
  QString out;
};

Finished Wait(QProcess& process) {
  Finished finished;
  if (process.waitForFinished(120000)) {
    finished.code = process.exitCode();
  }
  finished.out = QString::fromUtf8(process.readAllStandardOutput());
  return finished;
}

TEST(CliBeamProcesses, PatientWithRecordsOfEveryKindGoesFromOneDeviceToAnother) {
  QTemporaryDir a;
  QTemporaryDir b;
  Seed(a.path(), {"Ann"}, {"Smith"});
  const auto sent = Snapshot(a.path(), "Smith, Ann");
  ASSERT_EQ(sent.size(), 13u);

  QProcess receiver;
  const uint16_t port = StartReceiver(receiver, b.path());
  ASSERT_NE(port, 0);
  QProcess sender;
  sender.start(OVELIN_CLI_PATH, {"--device", a.path(), "beam", "patient", "Smith, Ann", "--peer",
                                 QStringLiteral("127.0.0.1:%1").arg(port), "--timeout", "60"});
  const Finished senderDone = Wait(sender);
  const Finished receiverDone = Wait(receiver);

  EXPECT_EQ(senderDone.code, 0) << senderDone.out.toStdString();
  EXPECT_EQ(receiverDone.code, 0) << receiverDone.out.toStdString();
  EXPECT_TRUE(senderDone.out.startsWith("Searching for receiver\nReceiver contacted\n"))
      << senderDone.out.toStdString();
  EXPECT_TRUE(senderDone.out.endsWith("Patient Smith, Ann sent successfully\n"));
  EXPECT_TRUE(receiverDone.out.startsWith("Searching for sender\n"));
  EXPECT_TRUE(receiverDone.out.endsWith("Patient Smith, Ann received successfully\n"));
  EXPECT_EQ(Snapshot(b.path(), "Smith, Ann"), sent);
}

TEST(CliBeamProcesses, CheckoutListSendsSeveralPatients) {
  QTemporaryDir a;
  QTemporaryDir b;
  Seed(a.path(), {"Ann", "Bo"}, {"Smith", "Lee"});

  QProcess receiver;
  const uint16_t port = StartReceiver(receiver, b.path());
  ASSERT_NE(port, 0);
  QProcess sender;
  sender.start(OVELIN_CLI_PATH, {"--device", a.path(), "beam", "checkout", "Smith, Ann", "Lee, Bo",
                                 "--peer", QStringLiteral("127.0.0.1:%1").arg(port)});
  const Finished senderDone = Wait(sender);
  const Finished receiverDone = Wait(receiver);

  EXPECT_EQ(senderDone.code, 0) << senderDone.out.toStdString();
  EXPECT_EQ(receiverDone.code, 0) << receiverDone.out.toStdString();
  EXPECT_TRUE(senderDone.out.contains("Sending Lee, Bo, 2 of 2 patients\n"));
  EXPECT_TRUE(senderDone.out.endsWith("Successfully sent 2 of 2 patients\nSuccess\n"));
  EXPECT_TRUE(receiverDone.out.endsWith("Successfully received 2 of 2 patients\nSuccess\n"));
  EXPECT_EQ(Snapshot(b.path(), "Lee, Bo"), Snapshot(a.path(), "Lee, Bo"));
  EXPECT_EQ(Snapshot(b.path(), "Smith, Ann"), Snapshot(a.path(), "Smith, Ann"));
}

TEST(CliBeam, RefusesBadInput) {
  CliRunner cli;
  ASSERT_EQ(
      cli.Run({"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"}).code, 0);
  const QList<QStringList> bad = {
      {"beam"},
      {"beam", "frobnicate"},
      {"beam", "receive", "extra"},
      {"beam", "receive", "--listen", "nonsense"},
      {"beam", "receive", "--peer", "127.0.0.1:1"},
      {"beam", "patient"},
      {"beam", "patient", "Nobody, Ned"},
      {"beam", "patient", "Smith, Ann", "--peer", "127.0.0.1"},
      {"beam", "patient", "Smith, Ann", "--timeout", "-3"},
      {"beam", "record", "9", "1"},
      {"beam", "record", "2", "x"},
      {"beam", "record", "2", "0"},
      {"beam", "record", "3", "99999"},
      {"beam", "categories", "extra"},
      {"beam", "checkout"},
  };
  for (const QStringList& arguments : bad) {
    const CliResult result = cli.Run(arguments);
    EXPECT_EQ(result.code, 2) << arguments.join(' ').toStdString();
    EXPECT_FALSE(result.err.isEmpty()) << arguments.join(' ').toStdString();
    EXPECT_TRUE(result.out.isEmpty()) << arguments.join(' ').toStdString();
  }
}

TEST(CliBeam, UnsynchronisedPatientIsNotBeamedWhenTheCompanionIsInstalled) {
  CliRunner cli;
  ASSERT_EQ(
      cli.Run({"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"}).code, 0);
  ASSERT_EQ(cli.Run({"reg", "set", "HKLM", "Software\\Apps\\Quillfen, Inc. Ovelin", "DCVersion",
                     "dword", "1"})
                .code,
            0);
  const test_ports::RefusingPort nobody;
  const CliResult result = cli.Run({"beam", "patient", "Smith, Ann", "--peer",
                                    QStringLiteral("127.0.0.1:%1").arg(nobody.Number())});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(result.err.contains(
      "You must synchronize this record with the desktop before you can beam it."));
  EXPECT_TRUE(result.out.isEmpty());  // no transfer was started

  // A checkout list of only such patients warns once and sends nothing.
  const CliResult checkout = cli.Run({"beam", "checkout", "Smith, Ann", "--peer",
                                      QStringLiteral("127.0.0.1:%1").arg(nobody.Number())});
  EXPECT_EQ(checkout.code, 1);
  EXPECT_TRUE(checkout.err.contains("Some patients are not being beamed"));
  EXPECT_TRUE(checkout.out.isEmpty());
}

TEST(CliBeam, TimeoutGivesUpTheSearchOnBothSides) {
  CliRunner cli;
  const CliResult receive =
      cli.Run({"beam", "receive", "--listen", "127.0.0.1:0", "--timeout", "1"});
  EXPECT_EQ(receive.code, 1);
  EXPECT_EQ(receive.out,
            "Searching for sender\nAn error has occurred connecting to the other handheld\n");
  EXPECT_TRUE(receive.err.contains("listening on 127.0.0.1:"));

  const test_ports::RefusingPort nobody;
  const CliResult send =
      cli.Run({"beam", "categories", "--peer", QStringLiteral("127.0.0.1:%1").arg(nobody.Number()),
               "--timeout", "1"});
  EXPECT_EQ(send.code, 1);
  EXPECT_EQ(send.out,
            "Searching for receiver\nAn error has occurred connecting to the other handheld\n");
}

// A sender that sends a byte now and then never lets 5 s pass without one; the time-out still ends
// the receive.
TEST(CliBeam, TheTimeoutBoundsTheWholeReceiveAgainstATricklingSender) {
  // The receiver binds a port of its own choosing and says which: no other process can take it
  // between a test's choosing and the receiver's binding.
  QTemporaryDir folder;
  QProcess receiver;
  const uint16_t port = StartReceiver(receiver, folder.path(), QStringLiteral("2"));
  ASSERT_NE(port, 0);
  std::atomic<bool> done{false};
  std::thread trickler([&] {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int fd = -1;
    while (!done && fd < 0) {
      fd = ::socket(AF_INET, SOCK_STREAM, 0);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        fd = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    const uint8_t stream[] = {3, 200, 0, 0, 0};  // a patient block, a frame of 200 bytes
    for (size_t sent = 0; !done; ++sent) {
      const uint8_t byte = sent < sizeof stream ? stream[sent] : uint8_t{1};
      ::send(fd, &byte, 1, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ::close(fd);
  });
  const bool finished = receiver.waitForFinished(60000);
  done = true;
  trickler.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(receiver.exitCode(), 1);
  const QString said = QString::fromUtf8(receiver.readAllStandardError());
  EXPECT_TRUE(said.contains("the transfer took longer than 2 seconds")) << said.toStdString();
}

}  // namespace
