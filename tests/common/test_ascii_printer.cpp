#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

#include "common/CAsciiPr.h"
#include "platform/Registry.h"
#include "support/TempDevice.h"

namespace {

class AsciiPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override { CAsciiPr::SetTarget(QString()); }
  void TearDown() override { CAsciiPr::SetTarget(QString()); }

  TempDevice device;
};

QList<QByteArray> Pages(const QByteArray& job) {
  QList<QByteArray> pages = job.split('\f');
  EXPECT_TRUE(pages.last().isEmpty()) << "a job ends with a form feed";
  pages.removeLast();
  return pages;
}

QList<QByteArray> Lines(const QByteArray& page) {
  QList<QByteArray> lines = page.split('\n');
  EXPECT_TRUE(lines.last().isEmpty());
  lines.removeLast();
  for (QByteArray& line : lines) {
    EXPECT_TRUE(line.endsWith('\r'));
    line.chop(1);
  }
  return lines;
}

TEST_F(AsciiPrinterTest, PagesHoldTheLinesLeftByTheMargins) {
  CAsciiPr printer;
  // 12 lines a page, 1 top and 2 bottom margin lines: 9 printed lines a page.
  ASSERT_EQ(printer.OpenPort(12, 20, 3, 1, 2), 0);
  for (int i = 1; i <= 20; ++i) {
    printer.PrintStringBuffer(QStringLiteral("line %1").arg(i));
    printer.CrLf();
  }
  ASSERT_EQ(printer.ClosePort(), 0);
  const QList<QByteArray> pages = Pages(printer.JobBytes());
  ASSERT_EQ(pages.size(), 3);
  for (const QByteArray& page : pages) {
    const QList<QByteArray> lines = Lines(page);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines[0], QByteArray()) << "top margin";
  }
  EXPECT_EQ(Lines(pages[0]).size(), 10);  // 1 margin + 9 lines
  EXPECT_EQ(Lines(pages[2]).size(), 1 + 2);
  EXPECT_EQ(Lines(pages[0])[1], QByteArray("   line 1"));
  EXPECT_EQ(Lines(pages[1])[1], QByteArray("   line 10"));
  EXPECT_EQ(Lines(pages[2])[2], QByteArray("   line 20"));
}

TEST_F(AsciiPrinterTest, LongLinesWrapAtTheLastBlankThatFits) {
  CAsciiPr printer;
  ASSERT_EQ(printer.OpenPort(60, 16, 2, 0, 0), 0);  // 14 columns of text
  printer.PrintStringBuffer(QStringLiteral("Cough and fever since Monday\r\n"));
  printer.PrintStringBuffer(QStringLiteral("Hydrochlorothiazide25mg\n"));
  printer.FormFeed();
  const QList<QByteArray> lines = Lines(Pages(printer.JobBytes()).at(0));
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], QByteArray("  Cough and"));
  EXPECT_EQ(lines[1], QByteArray("  fever since"));
  EXPECT_EQ(lines[2], QByteArray("  Monday"));
  // A word longer than the line is cut.
  EXPECT_EQ(lines[3], QByteArray("  Hydrochlorothi"));
  EXPECT_EQ(lines[4], QByteArray("  azide25mg"));
  for (const QByteArray& line : lines) {
    EXPECT_LE(line.size(), 16);
  }
  EXPECT_EQ(printer.ClosePort(), 0);
}

TEST_F(AsciiPrinterTest, TextRunsOnAcrossCallsAndFormFeedsDoNotEjectEmptyPages) {
  CAsciiPr printer;
  ASSERT_EQ(printer.OpenPort(10, 40, 0, 0, 0), 0);
  printer.FormFeed();  // nothing printed yet: nothing to eject
  printer.PrintStringBuffer(QStringLiteral("BP "));
  printer.PrintStringBuffer(QStringLiteral("120/80\tP 72"));
  printer.FormFeed();
  printer.FormFeed();
  printer.PrintStringBuffer(QStringLiteral("page two\fpage three"));
  ASSERT_EQ(printer.ClosePort(), 0);
  const QList<QByteArray> pages = Pages(printer.JobBytes());
  ASSERT_EQ(pages.size(), 3);
  EXPECT_EQ(pages[0], QByteArray("BP 120/80       P 72\r\n"));
  EXPECT_EQ(pages[1], QByteArray("page two\r\n"));
  EXPECT_EQ(pages[2], QByteArray("page three\r\n"));
}

TEST_F(AsciiPrinterTest, SettingsThatLeaveNoRoomForTextAreRefused) {
  CAsciiPr printer;
  EXPECT_NE(printer.OpenPort(10, 80, 5, 5, 5), 0);
  EXPECT_NE(printer.OpenPort(60, 5, 5, 5, 5), 0);
  EXPECT_NE(printer.OpenPort(60, 80, -1, 5, 5), 0);
  EXPECT_FALSE(printer.IsOpen());
  EXPECT_NE(printer.ClosePort(), 0) << "no job was open";
  ASSERT_EQ(printer.OpenPort(11, 6, 5, 5, 5), 0);  // one line of one column
  EXPECT_NE(printer.OpenPort(60, 80, 5, 5, 5), 0) << "a job is already open";
}

TEST_F(AsciiPrinterTest, ByDefaultEachJobIsAPrivateFileInTheSpoolFolder) {
  EXPECT_EQ(CAsciiPr::Target(), QStringLiteral("spool"));
  QString first;
  for (int job = 0; job < 2; ++job) {
    CAsciiPr printer;
    ASSERT_EQ(printer.OpenPort(60, 80, 5, 5, 5), 0);
    printer.PrintStringBuffer(QStringLiteral("Patient Log \u00e9 \u2192"));
    ASSERT_EQ(printer.ClosePort(), 0);
    const QString path = printer.LastSpoolFile();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(QFileInfo(path).absolutePath(), device.device().PathOf(QStringLiteral("spool")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes, printer.JobBytes());
    // Latin-1 on the wire; what it cannot hold becomes '?'.
    EXPECT_TRUE(bytes.contains("Patient Log \xe9 ?"));
    EXPECT_EQ(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther), 0);
    EXPECT_NE(path, first) << "every job has a file of its own";
    first = path;
  }
}

TEST_F(AsciiPrinterTest, TheRegistryNamesTheTargetAndSetTargetOverridesIt) {
  QTemporaryDir dir;
  const QString fromRegistry = dir.filePath(QStringLiteral("registry.txt"));
  platform::RegistryKey key;
  ASSERT_TRUE(
      key.Create(platform::Hive::CurrentUser, QStringLiteral("Software\\Quillfen\\Options")));
  ASSERT_TRUE(key.SetString(QString::fromLatin1(CAsciiPr::kTargetValueName),
                            QStringLiteral("file:") + fromRegistry));
  EXPECT_EQ(CAsciiPr::Target(), QStringLiteral("file:") + fromRegistry);

  const QString fromApi = dir.filePath(QStringLiteral("api.txt"));
  CAsciiPr::SetTarget(QStringLiteral("file:") + fromApi);
  CAsciiPr printer;
  ASSERT_EQ(printer.OpenPort(60, 80, 0, 0, 0), 0);
  printer.PrintStringBuffer(QStringLiteral("x"));
  ASSERT_EQ(printer.ClosePort(), 0);
  EXPECT_TRUE(QFile::exists(fromApi));
  EXPECT_FALSE(QFile::exists(fromRegistry));
}

TEST_F(AsciiPrinterTest, AJobThatReachesNoPrinterFails) {
  // A file target whose folder does not exist: the job cannot be delivered.
  CAsciiPr::SetTarget(QStringLiteral("file:/nonexistent-folder/printer.txt"));
  CAsciiPr printer;
  ASSERT_EQ(printer.OpenPort(60, 80, 5, 5, 5), 0);
  printer.PrintStringBuffer(QStringLiteral("lost"));
  EXPECT_NE(printer.ClosePort(), 0);

  // A network printer that does not answer fails when the port is opened.
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  socklen_t length = sizeof(address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);  // the port is free again: nobody listens there
  CAsciiPr::SetTarget(QStringLiteral("tcp:127.0.0.1:%1").arg(ntohs(address.sin_port)));
  CAsciiPr unreachable;
  EXPECT_NE(unreachable.OpenPort(60, 80, 5, 5, 5), 0);

  CAsciiPr::SetTarget(QStringLiteral("carrier-pigeon"));
  CAsciiPr unknown;
  EXPECT_NE(unknown.OpenPort(60, 80, 5, 5, 5), 0);
}

TEST_F(AsciiPrinterTest, ARawNetworkPrinterReceivesTheWholeJob) {
  const int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(server, 1), 0);
  socklen_t length = sizeof(address);
  getsockname(server, reinterpret_cast<sockaddr*>(&address), &length);
  QByteArray received;
  std::thread printerSide([server, &received] {
    const int connection = accept(server, nullptr, nullptr);
    char buffer[4096];
    for (ssize_t n; (n = read(connection, buffer, sizeof(buffer))) > 0;) {
      received.append(buffer, n);
    }
    close(connection);
  });

  CAsciiPr::SetTarget(QStringLiteral("tcp:127.0.0.1:%1").arg(ntohs(address.sin_port)));
  CAsciiPr printer;
  ASSERT_EQ(printer.OpenPort(20, 40, 2, 1, 1), 0);
  for (int i = 0; i < 50; ++i) {
    printer.PrintStringBuffer(QStringLiteral("Checkout list line %1").arg(i));
    printer.CrLf();
  }
  EXPECT_EQ(printer.ClosePort(), 0);
  printerSide.join();
  close(server);
  EXPECT_EQ(received, printer.JobBytes());
  EXPECT_EQ(received.count('\f'), 3);  // 18 lines a page: 50 lines on 3 pages
}

}  // namespace
