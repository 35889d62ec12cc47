// ovelin-cli pair: two real processes pair two device folders as two people would at two
// terminals, then beam securely; after unpairing, the same beam is refused on both sides.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kBeamKey = QStringLiteral("Software\\Apps\\Quillfen, Inc. Ovelin\\Beam");

struct Ran {
  int code = -1;
  QString out;
  QString err;
};

Ran Finish(QProcess& process) {
  Ran ran;
  if (process.waitForFinished(120000)) {
    ran.code = process.exitCode();
  }
  ran.out += QString::fromUtf8(process.readAllStandardOutput());
  ran.err += QString::fromUtf8(process.readAllStandardError());
  return ran;
}

Ran Cli(const QString& folder, const QStringList& arguments) {
  QProcess process;
  process.start(OVELIN_CLI_PATH, QStringList{"--device", folder} + arguments);
  return Finish(process);
}

// Reads the channel until pattern matches what was said; answers the match.
QRegularExpressionMatch WaitFor(QProcess& process, QProcess::ProcessChannel channel,
                                const QRegularExpression& pattern, QString& said) {
  process.setReadChannel(channel);
  for (;;) {
    const QRegularExpressionMatch match = pattern.match(said);
    if (match.hasMatch() || !process.waitForReadyRead(60000)) {
      return match;
    }
    said += QString::fromUtf8(channel == QProcess::StandardOutput ? process.readAllStandardOutput()
                                                                  : process.readAllStandardError());
  }
}

// A beam of Ann from sender to receiver over loopback; answers both sides' runs.
std::pair<Ran, Ran> Beam(const QString& sender, const QString& receiver) {
  QProcess receiving;
  receiving.start(OVELIN_CLI_PATH, {"--device", receiver, "beam", "receive", "--listen",
                                    "127.0.0.1:0", "--timeout", "60"});
  QString said;
  const QRegularExpressionMatch port =
      WaitFor(receiving, QProcess::StandardError,
              QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)"), said);
  EXPECT_TRUE(port.hasMatch()) << said.toStdString();
  const Ran sent = Cli(sender, {"beam", "patient", "Smith, Ann", "--peer",
                                "127.0.0.1:" + port.captured(1), "--timeout", "60"});
  return {sent, Finish(receiving)};
}

TEST(CliPair, TwoPeopleCompareTheDigitsThenBeamSecurelyUntilUnpaired) {
  QTemporaryDir desk;
  QTemporaryDir cart;
  const Ran shown = Cli(desk.path(), {"pair", "--show"});
  ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
  EXPECT_TRUE(QRegularExpression("^([0-9A-F]{4} ){15}[0-9A-F]{4}\n$").match(shown.out).hasMatch())
      << shown.out.toStdString();
  EXPECT_EQ(Cli(desk.path(), {"pair", "--show"}).out, shown.out);
  const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                    QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  for (const char* file : {"device-key.pem", "device-certificate.pem"}) {
    EXPECT_FALSE(QFile(desk.filePath(file)).permissions() & others) << file;
  }

  QProcess waiting;
  waiting.start(OVELIN_CLI_PATH,
                {"--device", desk.path(), "pair", "--listen", "127.0.0.1:0", "--name", "cart"});
  QString deskErr;
  const QRegularExpressionMatch port = WaitFor(
      waiting, QProcess::StandardError,
      QRegularExpression("waiting for the other device on 127\\.0\\.0\\.1:(\\d+)"), deskErr);
  ASSERT_TRUE(port.hasMatch()) << deskErr.toStdString();
  QProcess connecting;
  connecting.start(OVELIN_CLI_PATH, {"--device", cart.path(), "pair", "--peer",
                                     "127.0.0.1:" + port.captured(1), "--name", "desk"});
  const QRegularExpression digits(
      "Digits: (\\d{3} \\d{3})\nDo both screens show these digits\\? "
      "\\[y/N\\] $");
  QString deskSaid;
  QString cartSaid;
  const QRegularExpressionMatch deskDigits =
      WaitFor(waiting, QProcess::StandardOutput, digits, deskSaid);
  const QRegularExpressionMatch cartDigits =
      WaitFor(connecting, QProcess::StandardOutput, digits, cartSaid);
  ASSERT_TRUE(deskDigits.hasMatch()) << deskSaid.toStdString();
  ASSERT_TRUE(cartDigits.hasMatch()) << cartSaid.toStdString();
  EXPECT_EQ(deskDigits.captured(1), cartDigits.captured(1));
  EXPECT_TRUE(cartSaid.contains("Its fingerprint: " + shown.out.trimmed()));
  for (auto [process, answer] : {std::pair{&waiting, "y\n"}, std::pair{&connecting, "yes\n"}}) {
    process->write(answer);
    ASSERT_TRUE(process->waitForBytesWritten(60000));
  }
  const Ran deskPaired = Finish(waiting);
  const Ran cartPaired = Finish(connecting);
  EXPECT_EQ(deskPaired.code, 0) << deskPaired.err.toStdString();
  EXPECT_EQ(cartPaired.code, 0) << cartPaired.err.toStdString();
  EXPECT_EQ(deskPaired.out, "paired with cart\n");
  EXPECT_TRUE(Cli(cart.path(), {"pair", "--list"}).out.startsWith("desk\t" + shown.out.trimmed()));

  ASSERT_EQ(
      Cli(cart.path(), {"patient", "add", "--first", "Ann", "--last", "Smith", "--type", "Clinic"})
          .code,
      0);
  for (const QTemporaryDir* device : {&desk, &cart}) {
    ASSERT_EQ(Cli(device->path(), {"reg", "set", "HKLM", kBeamKey, "Secure", "dword", "1"}).code,
              0);
  }
  const auto [sent, received] = Beam(cart.path(), desk.path());
  EXPECT_EQ(sent.code, 0) << sent.out.toStdString() << sent.err.toStdString();
  EXPECT_EQ(received.code, 0) << received.out.toStdString();
  EXPECT_TRUE(sent.out.contains("Paired device: desk\n")) << sent.out.toStdString();
  EXPECT_TRUE(received.out.contains("Paired device: cart\n")) << received.out.toStdString();
  EXPECT_TRUE(received.out.endsWith("Patient Smith, Ann received successfully\n"));

  EXPECT_EQ(Cli(cart.path(), {"pair", "--remove", "desk"}).code, 0);
  EXPECT_EQ(Cli(cart.path(), {"pair", "--remove", "desk"}).code, 2);
  const auto [refusedSend, refusedReceive] = Beam(cart.path(), desk.path());
  EXPECT_EQ(refusedSend.code, 1);
  EXPECT_EQ(refusedReceive.code, 1);
  EXPECT_TRUE(
      refusedSend.out.contains(QRegularExpression("127\\.0\\.0\\.1:\\d+ is not a paired "
                                                  "device\n")))
      << refusedSend.out.toStdString();
  EXPECT_TRUE(refusedReceive.out.contains("refused this device: it is not paired with it\n"))
      << refusedReceive.out.toStdString();
}

}  // namespace
