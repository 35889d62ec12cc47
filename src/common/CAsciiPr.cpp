#include "common/CAsciiPr.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>

#include "platform/Device.h"
#include "platform/Registry.h"

namespace {

constexpr int kConnectTimeoutMs = 3000;
constexpr int kSendTimeoutMs = 10000;
constexpr int kSpoolerTimeoutMs = 30000;
constexpr int kTabWidth = 8;

QString& TargetOverride() {
  static QString target;
  return target;
}

struct TcpTarget {
  QByteArray host;
  QByteArray port;
};

bool ParseTcp(const QString& target, TcpTarget& out) {
  // tcp:HOST:PORT; HOST may be a bracketed IPv6 address.
  const QString rest = target.mid(4);
  const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
  if (colon <= 0 || colon == rest.size() - 1) {
    return false;
  }
  QString host = rest.left(colon);
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
    host = host.mid(1, host.size() - 2);
  }
  bool ok = false;
  const int port = rest.mid(colon + 1).toInt(&ok);
  if (!ok || port <= 0 || port > 65535 || host.isEmpty()) {
    return false;
  }
  out.host = host.toUtf8();
  out.port = QByteArray::number(port);
  return true;
}

// Connects without blocking longer than the time-out; -1 when no printer answers.
int ConnectTcp(const TcpTarget& target) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(target.host.constData(), target.port.constData(), &hints, &found) != 0) {
    return -1;
  }
  int connected = -1;
  for (addrinfo* at = found; at != nullptr && connected < 0; at = at->ai_next) {
    const int fd =
        socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, at->ai_protocol);
    if (fd < 0) {
      continue;
    }
    int result = connect(fd, at->ai_addr, at->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      if (poll(&wait, 1, kConnectTimeoutMs) == 1) {
        int error = 0;
        socklen_t length = sizeof(error);
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        result = error == 0 ? 0 : -1;
      }
    }
    if (result == 0) {
      connected = fd;
    } else {
      close(fd);
    }
  }
  freeaddrinfo(found);
  return connected;
}

bool SendAll(int fd, const QByteArray& bytes) {
  qsizetype sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n =
        send(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
    if (n > 0) {
      sent += n;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      pollfd wait{fd, POLLOUT, 0};
      if (poll(&wait, 1, kSendTimeoutMs) != 1 || (wait.revents & (POLLERR | POLLHUP)) != 0) {
        return false;
      }
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace

CAsciiPr::~CAsciiPr() {
  if (m_socket >= 0) {
    close(m_socket);
  }
}

void CAsciiPr::SetTarget(const QString& target) {
  TargetOverride() = target.trimmed();
}

QString CAsciiPr::Target() {
  if (!TargetOverride().isEmpty()) {
    return TargetOverride();
  }
  platform::RegistryKey key;
  QString target;
  if (key.Open(platform::Hive::CurrentUser, QStringLiteral("Software\\Quillfen\\Options")) &&
      key.QueryString(QString::fromLatin1(kTargetValueName), target) &&
      !target.trimmed().isEmpty()) {
    return target.trimmed();
  }
  return QString::fromLatin1(kDefaultTarget);
}

int CAsciiPr::OpenPort(int linesPerPage, int pageWidth, int leftMargin, int topMargin,
                       int bottomMargin) {
  if (m_open) {
    return 1;
  }
  // A page must leave at least one line and one column for text.
  if (leftMargin < 0 || topMargin < 0 || bottomMargin < 0 ||
      linesPerPage - topMargin - bottomMargin < 1 || pageWidth - leftMargin < 1) {
    return 2;
  }
  m_target = Target();
  if (m_target.startsWith(QLatin1String("tcp:"))) {
    TcpTarget tcp;
    if (!ParseTcp(m_target, tcp)) {
      return 3;
    }
    m_socket = ConnectTcp(tcp);
    if (m_socket < 0) {
      return 4;
    }
  } else if (m_target == QLatin1String("lp") || m_target.startsWith(QLatin1String("lp:"))) {
    if (QStandardPaths::findExecutable(QStringLiteral("lp")).isEmpty()) {
      return 5;
    }
  } else if (m_target == QLatin1String("spool")) {
    const platform::Device* device = platform::Device::Current();
    if (device == nullptr || !QDir().mkpath(device->PathOf(QStringLiteral("spool")))) {
      return 6;
    }
  } else if (!m_target.startsWith(QLatin1String("file:")) || m_target.size() <= 5) {
    return 7;  // a target this driver does not know
  }
  m_linesPerPage = linesPerPage;
  m_pageWidth = pageWidth;
  m_leftMargin = leftMargin;
  m_topMargin = topMargin;
  m_bottomMargin = bottomMargin;
  m_lineOnPage = 0;
  m_pageStarted = false;
  m_line.clear();
  m_job.clear();
  m_open = true;
  return 0;
}

void CAsciiPr::PrintStringBuffer(const QString& text) {
  if (!m_open) {
    return;
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r')) {
      if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
        ++i;
      }
      NewLine();
    } else if (c == QLatin1Char('\n')) {
      NewLine();
    } else if (c == QLatin1Char('\f')) {
      FormFeed();
    } else if (c == QLatin1Char('\t')) {
      m_line += QString(kTabWidth - m_line.size() % kTabWidth, QLatin1Char(' '));
    } else if (c.unicode() >= 0x20) {
      m_line += c;
    }
  }
}

void CAsciiPr::CrLf() {
  if (m_open) {
    NewLine();
  }
}

void CAsciiPr::FormFeed() {
  if (!m_open) {
    return;
  }
  if (!m_line.isEmpty()) {
    NewLine();
  }
  EndPage();
}

int CAsciiPr::ClosePort() {
  if (!m_open) {
    return 1;
  }
  if (!m_line.isEmpty()) {
    NewLine();
  }
  EndPage();
  m_open = false;
  const int result = Deliver();
  if (m_socket >= 0) {
    close(m_socket);
    m_socket = -1;
  }
  return result;
}

void CAsciiPr::NewLine() {
  // Lays the current line out in printed lines of at most the printable width, breaking at the
  // last blank that fits.
  const int width = m_pageWidth - m_leftMargin;
  QString rest = m_line;
  m_line.clear();
  do {
    QString piece;
    if (rest.size() <= width) {
      piece = rest;
      rest.clear();
    } else {
      qsizetype cut = rest.lastIndexOf(QLatin1Char(' '), width);
      if (cut <= 0) {
        cut = width;  // a word longer than the line is cut
      }
      piece = rest.left(cut);
      rest = rest.mid(cut);
      while (rest.startsWith(QLatin1Char(' '))) {
        rest.remove(0, 1);
      }
    }
    PutLineText(piece);
  } while (!rest.isEmpty());
}

void CAsciiPr::StartPage() {
  for (int i = 0; i < m_topMargin; ++i) {
    m_job += "\r\n";
  }
  m_pageStarted = true;
  m_lineOnPage = 0;
}

void CAsciiPr::EndPage() {
  if (!m_pageStarted) {
    return;
  }
  m_job += '\f';
  m_pageStarted = false;
  m_lineOnPage = 0;
}

void CAsciiPr::PutLineText(const QString& text) {
  if (!m_pageStarted) {
    StartPage();
  }
  QString printed = text;
  while (printed.endsWith(QLatin1Char(' '))) {
    printed.chop(1);
  }
  if (!printed.isEmpty()) {
    m_job += QByteArray(m_leftMargin, ' ');
    m_job += printed.toLatin1();
  }
  m_job += "\r\n";
  if (++m_lineOnPage >= m_linesPerPage - m_topMargin - m_bottomMargin) {
    EndPage();
  }
}

namespace {

thread_local CAsciiPr::Delivery t_lastDelivery;

}  // namespace

const CAsciiPr::Delivery& CAsciiPr::LastDelivery() {
  return t_lastDelivery;
}

void CAsciiPr::Delivered(Delivery::Kind kind, const QString& where) {
  t_lastDelivery = Delivery{kind, where};
}

int CAsciiPr::Deliver() {
  m_lastSpoolFile.clear();
  if (m_target.startsWith(QLatin1String("tcp:"))) {
    if (m_socket < 0 || !SendAll(m_socket, m_job)) {
      return 10;
    }
    shutdown(m_socket, SHUT_WR);
    Delivered(Delivery::Kind::kNetworkPrinter, m_target.mid(4));
    return 0;
  }
  if (m_target == QLatin1String("lp") || m_target.startsWith(QLatin1String("lp:"))) {
    QStringList arguments;
    if (m_target.size() > 3) {
      arguments << QStringLiteral("-d") << m_target.mid(3);
    }
    QProcess spooler;
    spooler.start(QStringLiteral("lp"), arguments);
    if (!spooler.waitForStarted(kSpoolerTimeoutMs)) {
      return 11;
    }
    spooler.write(m_job);
    spooler.closeWriteChannel();
    if (!spooler.waitForFinished(kSpoolerTimeoutMs) ||
        spooler.exitStatus() != QProcess::NormalExit || spooler.exitCode() != 0) {
      return 12;
    }
    Delivered(Delivery::Kind::kSystemSpooler, m_target.mid(3));
    return 0;
  }
  return DeliverToFile();
}

int CAsciiPr::DeliverToFile() {
  QString path;
  QIODevice::OpenMode mode = QIODevice::WriteOnly;
  const bool appended = m_target.startsWith(QLatin1String("file:"));
  if (appended) {
    path = m_target.mid(5);
    mode |= QIODevice::Append;
  } else {
    const platform::Device* device = platform::Device::Current();
    if (device == nullptr) {
      return 13;
    }
    const QString folder = device->PathOf(QStringLiteral("spool"));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; path.isEmpty() || QFile::exists(path); ++n) {
      path = QStringLiteral("%1/job-%2-%3.txt").arg(folder, stamp).arg(n);
    }
  }
  // The job may hold patient data: the file is made readable by its owner only.
  platform::EnsurePrivateFile(path);
  QFile file(path);
  if (!file.open(mode) || file.write(m_job) != m_job.size() || !file.flush()) {
    return 14;
  }
  file.close();
  if (!appended) {
    m_lastSpoolFile = path;
  }
  Delivered(appended ? Delivery::Kind::kFile : Delivery::Kind::kSpoolFile, path);
  return 0;
}
