// The progress line of long commands: shown on a terminal only, rewritten in place at most ten
// times a second, erased before anything else is printed, and never a change to what a script
// reads. The real program runs under a pseudo-terminal and through pipes, and the two are compared.

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <string>
#include <vector>

#include "cli/DeviceGenerator.h"
#include "cli/ProgressLine.h"
#include "platform/Device.h"
#include "platform/DeviceCheck.h"
#include "platform/PropertyDatabase.h"
#include "store/Backup.h"
#include "support/TestGuard.h"

namespace {

using cli::ProgressLine;
using namespace std::chrono_literals;

// What a terminal shows after the bytes: carriage returns go back to the line's start, newlines
// to the next line, and every other character overwrites the one under the cursor. Trailing
// blanks and blank last lines are left out.
QStringList Screen(const QString& written) {
  QStringList lines{QString()};
  qsizetype column = 0;
  for (const QChar c : written) {
    if (c == QLatin1Char('\r')) {
      column = 0;
    } else if (c == QLatin1Char('\n')) {
      lines.append(QString());
      column = 0;
    } else {
      QString& line = lines.last();
      if (column >= line.size()) {
        line.resize(column + 1, QLatin1Char(' '));
      }
      line[column++] = c;
    }
  }
  for (QString& line : lines) {
    while (line.endsWith(QLatin1Char(' '))) {
      line.chop(1);
    }
  }
  while (!lines.isEmpty() && lines.last().isEmpty()) {
    lines.removeLast();
  }
  return lines;
}

// A progress line on a string, with a clock the test moves.
struct LineOnString {
  QString written;
  QTextStream err{&written};
  ProgressLine::Clock::time_point now{};
  ProgressLine line{err, true, [this] { return now; }};

  QString Shown() {
    err.flush();
    const QStringList screen = Screen(written);
    return screen.isEmpty() ? QString() : screen.join(QLatin1Char('\n'));
  }
};

TEST(CliProgressLine, RewritesOneLineAtMostTenTimesASecondAndEstimatesTheTimeLeft) {
  LineOnString terminal;
  terminal.line.Start(QStringLiteral("generating the ward"), ProgressLine::Unit::kPatients);
  EXPECT_EQ(terminal.Shown(), "generating the ward");
  terminal.line.Update(0, 100);  // the step's first count is shown at once
  EXPECT_EQ(terminal.Shown(), "generating the ward: 0 of 100 patients");

  terminal.now += 99ms;
  terminal.line.Update(10, 100);
  EXPECT_EQ(terminal.Shown(), "generating the ward: 0 of 100 patients");
  terminal.now += 1ms;
  terminal.line.Update(10, 100);
  EXPECT_EQ(terminal.Shown(), "generating the ward: 10 of 100 patients");

  // The rate is measured from the first count: 40 in 2 s, so 60 more take 3 s.
  terminal.now += 1900ms;
  terminal.line.Update(40, 100);
  EXPECT_EQ(terminal.Shown(), "generating the ward: 40 of 100 patients, about 3 s left");
  terminal.now += 1s;
  terminal.line.Update(41, 20'000);
  EXPECT_EQ(terminal.Shown(), "generating the ward: 41 of 20000 patients, about 24 min left");
  terminal.now += 1s;
  terminal.line.Update(42, 200'000);
  EXPECT_EQ(terminal.Shown(), "generating the ward: 42 of 200000 patients, about 5 h 17 min left");

  // A shorter line leaves nothing of the longer one, and the next step starts its own count.
  terminal.now += 1s;
  terminal.line.Start(QStringLiteral("writing"));
  EXPECT_EQ(terminal.Shown(), "writing");
  terminal.line.Clear();
  EXPECT_EQ(terminal.Shown(), "");
  // Once cleared, a late count of the finished step writes nothing.
  const QString cleared = terminal.written;
  terminal.now += 1s;
  terminal.line.Update(50, 100);
  terminal.err.flush();
  EXPECT_EQ(terminal.written, cleared);
  EXPECT_FALSE(terminal.written.contains(QLatin1Char('\n')));

  // A long file name gives way, so that the line never wraps and its count stays in sight.
  terminal.line.Start("importing " + QString(100, QLatin1Char('x')) + ".json",
                      ProgressLine::Unit::kPatients);
  terminal.line.Update(0, 5);
  const QString shown = terminal.Shown();
  EXPECT_LT(shown.size(), 80);
  EXPECT_TRUE(shown.startsWith("importing xx")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("xx.json: 0 of 5 patients")) << shown.toStdString();
}

TEST(CliProgressLine, BytesShowTheTimeLeftOnceTheirTotalIsKnownAndAHiddenLineWritesNothing) {
  LineOnString terminal;
  terminal.line.Start(QStringLiteral("reading standard input"), ProgressLine::Unit::kBytes);
  terminal.line.Update(0, 0);
  terminal.now += 5s;
  terminal.line.Update(uint64_t{12} << 20, 0);
  EXPECT_EQ(terminal.Shown(), "reading standard input: 12.0 MiB");
  terminal.now += 5s;
  terminal.line.Update(uint64_t{15} << 20, uint64_t{60} << 20);
  EXPECT_EQ(terminal.Shown(), "reading standard input: 15.0 of 60.0 MiB, about 30 s left");

  QString written;
  QTextStream err(&written);
  {
    ProgressLine hidden(err, false);
    EXPECT_FALSE(static_cast<bool>(hidden.Callback()));  // the loops need not even call
    hidden.Start(QStringLiteral("exporting"), ProgressLine::Unit::kPatients);
    hidden.Update(1, 2);
    hidden.Clear();
  }
  err.flush();
  EXPECT_TRUE(written.isEmpty());
}

// What a loop told: every (done, total) in order.
struct Told {
  std::vector<std::pair<uint64_t, uint64_t>> counts;
  platform::ProgressCallback Callback() {
    return [this](uint64_t done, uint64_t total) { counts.emplace_back(done, total); };
  }
};

// From 0 to total, never backwards, the total the same throughout.
void ExpectCountedUpTo(const Told& told, uint64_t total) {
  ASSERT_FALSE(told.counts.empty());
  EXPECT_EQ(told.counts.front().first, 0u);
  EXPECT_EQ(told.counts.back().first, total);
  for (size_t i = 0; i < told.counts.size(); ++i) {
    EXPECT_EQ(told.counts[i].second, total) << i;
    EXPECT_TRUE(i == 0 || told.counts[i - 1].first <= told.counts[i].first) << i;
  }
}

uint64_t RecordsOnDevice() {
  uint64_t records = 0;
  for (const QString& name : platform::PropertyDatabase::Names()) {
    platform::PropertyDatabase database;
    if (database.Open(name)) {
      records += database.RecordCount();
    }
  }
  return records;
}

TEST(CliProgressCallbacks, EveryLongLoopCountsFromZeroUpToItsTotal) {
  TestGuard guard;
  generator::Load load;
  load.patients = 4;
  QTemporaryDir from;
  platform::Device ward(from.path());
  QJsonObject document;
  {
    const platform::DeviceScope scope(ward);
    QString error;
    Told filled;
    ASSERT_TRUE(generator::Fill(load, error, filled.Callback())) << error.toStdString();
    ExpectCountedUpTo(filled, 4);
    Told checked;
    ASSERT_TRUE(platform::device_check::FullCheck(ward, checked.Callback()).Ok());
    ExpectCountedUpTo(checked, RecordsOnDevice());
    Told exported;
    ASSERT_TRUE(backup::Export({}, document, error, exported.Callback()));
    ExpectCountedUpTo(exported, 4);
  }
  QTemporaryDir to;
  platform::Device restored(to.path());
  const platform::DeviceScope scope(restored);
  QString error;
  Told imported;
  ASSERT_TRUE(backup::Import(document, error, imported.Callback())) << error.toStdString();
  // The import counts the bytes of the document it reads.
  ExpectCountedUpTo(imported, static_cast<uint64_t>(
                                  QJsonDocument(document).toJson(QJsonDocument::Compact).size()));
}

// ---- The real program under a terminal and through pipes ---------------------------------------

struct Ran {
  int code = -1;
  QString out;
  QString err;  // what reached standard error: the terminal, or the pipe
};

constexpr auto kGiveUp = 60s;

std::vector<QByteArray> Argv(const QStringList& arguments) {
  std::vector<QByteArray> argv = {QByteArray(OVELIN_CLI_PATH)};
  for (const QString& argument : arguments) {
    argv.push_back(argument.toLocal8Bit());
  }
  return argv;
}

// Reads both descriptors until each is closed (a terminal whose last writer has gone answers an
// error) or the time is up; false when the time ran out.
bool ReadUntilClosed(int terminal, int out, QByteArray& terminalBytes, QByteArray& outBytes) {
  const auto deadline = std::chrono::steady_clock::now() + kGiveUp;
  pollfd fds[2] = {{terminal, POLLIN, 0}, {out, POLLIN, 0}};
  QByteArray* sinks[2] = {&terminalBytes, &outBytes};
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left <= 0ms || poll(fds, 2, static_cast<int>(left.count())) <= 0) {
      return false;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) {
        continue;
      }
      char buffer[4096];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, got);
      } else if (got < 0 && errno == EINTR) {
        continue;
      } else {
        fds[i].fd = -1;  // poll skips a negative descriptor
      }
    }
  }
  return true;
}

// Runs ovelin-cli with standard error (and input) on a pseudo-terminal and standard output on a
// pipe.
Ran RunOnTerminal(const QStringList& arguments) {
  std::vector<QByteArray> bytes = Argv(arguments);
  std::vector<char*> argv;
  for (QByteArray& argument : bytes) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  int outPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "no pipe";
    return {};
  }
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (child == 0) {
    dup2(outPipe[1], STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  Ran ran;
  QByteArray terminalBytes;
  QByteArray outBytes;
  const bool finished = child > 0 && ReadUntilClosed(terminal, outPipe[0], terminalBytes, outBytes);
  if (child > 0 && !finished) {
    kill(child, SIGKILL);
  }
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    ran.code = WEXITSTATUS(status);
  }
  close(terminal);
  close(outPipe[0]);
  EXPECT_TRUE(finished) << "ovelin-cli did not finish under the terminal";
  ran.out = QString::fromUtf8(outBytes);
  ran.err = QString::fromUtf8(terminalBytes);
  return ran;
}

Ran RunThroughPipes(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(OVELIN_CLI_PATH), arguments);
  const bool finished = process.waitForFinished(static_cast<int>(kGiveUp / 1ms));
  EXPECT_TRUE(finished) << "ovelin-cli did not finish";
  if (!finished) {
    process.kill();
    process.waitForFinished();
  }
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
          QString::fromUtf8(process.readAllStandardError())};
}

// Runs the command under a terminal on one device and through pipes on the other: the exit code
// and standard output are the same, the pipe gets nothing on standard error, and the terminal
// shows the line (shown is a part of it) and ends with it erased. Answers the terminal's bytes.
QString CompareTerminalAndPipe(const QString& terminalDevice, const QString& pipeDevice,
                               const QStringList& command, const QString& shown) {
  SCOPED_TRACE(command.join(' ').toStdString());
  const Ran onTerminal = RunOnTerminal(QStringList{"--device", terminalDevice} + command);
  const Ran throughPipes = RunThroughPipes(QStringList{"--device", pipeDevice} + command);
  EXPECT_EQ(onTerminal.code, 0) << onTerminal.err.toStdString();
  EXPECT_EQ(throughPipes.code, 0) << throughPipes.err.toStdString();
  EXPECT_EQ(onTerminal.out.toStdString(), throughPipes.out.toStdString());
  EXPECT_EQ(throughPipes.err.toStdString(), "");
  EXPECT_TRUE(onTerminal.err.contains(shown)) << onTerminal.err.toStdString();
  EXPECT_EQ(Screen(onTerminal.err).join('|').toStdString(), "") << onTerminal.err.toStdString();
  return onTerminal.err;
}

TEST(CliProgress, EveryLongCommandShowsItOnATerminalOnlyAndPrintsTheSameSummary) {
  QTemporaryDir work;
  const QString a = work.path() + "/a";
  const QString b = work.path() + "/b";
  const QString backup = work.path() + "/backup.json";

  CompareTerminalAndPipe(a, b, {"generate", "--patients", "20", "--seed", "3"},
                         "generating the ward: 0 of 20 patients");
  // The read-only commands run on one device both ways, so that their output must be equal.
  CompareTerminalAndPipe(a, a, {"check"}, "checking the device: 0 of ");
  CompareTerminalAndPipe(a, a, {"export"}, "exporting: 0 of 20 patients");
  ASSERT_EQ(RunThroughPipes({"--device", a, "export", "--output", backup}).code, 0);

  CompareTerminalAndPipe(
      work.path() + "/c", work.path() + "/d", {"import", backup},
      QStringLiteral("importing backup.json: 0.0 of %1 MiB")
          .arg(static_cast<double>(QFile(backup).size()) / 1048576.0, 0, 'f', 1));
  EXPECT_EQ(RunThroughPipes({"--device", work.path() + "/c", "patient", "list"}).out,
            RunThroughPipes({"--device", a, "patient", "list"}).out);
}

TEST(CliProgress, AFailureLineStartsAtTheMarginAndTheOptionsOverrideTheTerminal) {
  QTemporaryDir work;
  const QString device = work.path() + "/device";
  const QString broken = work.path() + "/broken.json";
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"format": "ovelin-backup", "version": 1, "patients": [)");
  file.close();

  const Ran onTerminal = RunOnTerminal({"--device", device, "import", broken});
  const Ran throughPipes = RunThroughPipes({"--device", device, "import", broken});
  EXPECT_EQ(onTerminal.code, 2);
  EXPECT_EQ(throughPipes.code, 2);
  EXPECT_TRUE(onTerminal.err.contains("importing broken.json")) << onTerminal.err.toStdString();
  EXPECT_TRUE(throughPipes.err.startsWith("ovelin-cli: ")) << throughPipes.err.toStdString();
  EXPECT_EQ(Screen(onTerminal.err).join('|').toStdString(),
            Screen(throughPipes.err).join('|').toStdString());

  const Ran quiet = RunOnTerminal({"--quiet", "--device", device, "generate", "--patients", "2"});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out, "2 patients with 320 records\n");
  EXPECT_EQ(quiet.err.toStdString(), "");

  const Ran forced = RunThroughPipes({"--device", device, "--progress", "check"});
  EXPECT_EQ(forced.code, 0);
  EXPECT_EQ(forced.out, "ok\n");
  EXPECT_TRUE(forced.err.startsWith("\rchecking the device")) << forced.err.toStdString();
  EXPECT_EQ(Screen(forced.err).join('|').toStdString(), "");
}

}  // namespace
