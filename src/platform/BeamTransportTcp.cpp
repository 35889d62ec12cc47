#include "platform/BeamTransportTcp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "platform/BeamTransportSecure.h"
#include "platform/Device.h"
#include "platform/Registry.h"

namespace platform {
namespace {

// One resolved socket address.
struct Endpoint {
  sockaddr_storage address{};
  socklen_t length = 0;
  int family = AF_INET;
};

bool Resolve(const BeamAddress& where, bool passive, Endpoint& out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (passive ? AI_PASSIVE : 0);
  addrinfo* found = nullptr;
  const QByteArray host = where.host.toUtf8();
  const QByteArray port = QByteArray::number(where.port);
  if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found) {
    return false;
  }
  std::memcpy(&out.address, found->ai_addr, found->ai_addrlen);
  out.length = found->ai_addrlen;
  out.family = found->ai_family;
  ::freeaddrinfo(found);
  return true;
}

int OpenStreamSocket(int family) {
  return ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// Waits up to waitMs for the socket to be ready for events; true when it is (or reports an error,
// which the following call then sees).
// Whether a resolved address is this machine's own: 127.0.0.0/8, ::1 or ::ffff:127.0.0.0/104.
bool IsLoopback(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
  }
  if (address.ss_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr;
    return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
  }
  return false;
}

QString FormatSocketAddress(const sockaddr_storage& address) {
  char host[INET6_ADDRSTRLEN] = {};
  BeamAddress formatted;
  if (address.ss_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    ::inet_ntop(AF_INET, &v4->sin_addr, host, sizeof host);
    formatted.port = ntohs(v4->sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    ::inet_ntop(AF_INET6, &v6->sin6_addr, host, sizeof host);
    formatted.port = ntohs(v6->sin6_port);
  } else {
    return {};
  }
  formatted.host = QString::fromLatin1(host);
  return FormatBeamAddress(formatted);
}

bool WaitReady(int fd, short events, int waitMs) {
  pollfd entry{fd, events, 0};
  const int ready = ::poll(&entry, 1, waitMs < 0 ? 0 : waitMs);
  return ready > 0;
}

class TcpSocket : public IBeamSocket {
 public:
  explicit TcpSocket(int fd) : m_fd(fd) {
    // Every record waits for its acknowledgement: small segments must leave at once.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Read now: once the other end has closed, the system no longer tells it.
    sockaddr_storage peer{};
    socklen_t size = sizeof peer;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0) {
      m_peerAddress = FormatSocketAddress(peer);
    }
  }
  ~TcpSocket() override { CloseFd(m_fd); }
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  ptrdiff_t Send(const uint8_t* data, size_t length, int waitMs) override {
    if (length == 0) {
      return 0;
    }
    if (!WaitReady(m_fd, POLLOUT, waitMs)) {
      return 0;
    }
    const ssize_t sent = ::send(m_fd, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      return sent;
    }
    return sent < 0 && WouldBlock(errno) ? 0 : -1;
  }

  ptrdiff_t Receive(uint8_t* data, size_t length, int waitMs) override {
    if (length == 0) {
      return 0;
    }
    if (!WaitReady(m_fd, POLLIN, waitMs)) {
      return 0;
    }
    const ssize_t received = ::recv(m_fd, data, length, MSG_DONTWAIT);
    if (received > 0) {
      return received;
    }
    // 0 is the peer's orderly close: nothing will ever arrive again.
    return received < 0 && WouldBlock(errno) ? 0 : -1;
  }

  QString PeerAddress() const override { return m_peerAddress; }

 private:
  int m_fd;
  QString m_peerAddress;
};

// What the two ends of a connection need to know to secure it.
struct Security {
  bool secureLoopback = false;
  QString deviceFolder;
  bool callerSecures = false;

  bool Needed(const sockaddr_storage& address) const {
    return !callerSecures && (secureLoopback || !IsLoopback(address));
  }
};

class TcpListener : public IBeamListener {
 public:
  TcpListener(int fd, bool secure, QString deviceFolder)
      : m_fd(fd), m_secure(secure), m_deviceFolder(std::move(deviceFolder)) {}
  ~TcpListener() override { CloseFd(m_fd); }
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  std::unique_ptr<IBeamSocket> Accept() override {
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      return nullptr;
    }
    return SecureIfNeeded(std::make_unique<TcpSocket>(fd), m_secure, m_deviceFolder,
                          SecureRole::kServer);
  }

 private:
  int m_fd;
  bool m_secure;
  QString m_deviceFolder;
};

// Discovery starts a non-blocking connect to every peer that has none under way and then looks,
// without waiting, which of them completed. A connect that completed is the peer that answered;
// it is kept and becomes the connection, so the receiver sees exactly one connection.
class TcpConnector : public IBeamConnector {
 public:
  TcpConnector(std::vector<Endpoint> peers, Security security)
      : m_peers(std::move(peers)), m_security(std::move(security)) {
    m_fds.assign(m_peers.size(), -1);
  }
  ~TcpConnector() override {
    for (int& fd : m_fds) {
      CloseFd(fd);
    }
    CloseFd(m_found);
  }
  TcpConnector(const TcpConnector&) = delete;
  TcpConnector& operator=(const TcpConnector&) = delete;

  Probe Discover() override {
    if (m_found >= 0) {
      return Probe::kFound;
    }
    for (size_t i = 0; i < m_peers.size(); ++i) {
      if (m_fds[i] >= 0) {
        continue;
      }
      m_fds[i] = OpenStreamSocket(m_peers[i].family);
      if (m_fds[i] < 0) {
        return Probe::kFailed;
      }
      const auto* address = reinterpret_cast<const sockaddr*>(&m_peers[i].address);
      if (::connect(m_fds[i], address, m_peers[i].length) == 0) {
        return Keep(i);
      }
      if (errno != EINPROGRESS) {
        CloseFd(m_fds[i]);  // refused or unreachable: asked again next round
      }
    }
    for (size_t i = 0; i < m_peers.size(); ++i) {
      if (m_fds[i] < 0 || !WaitReady(m_fds[i], POLLOUT, 0)) {
        continue;
      }
      int error = 0;
      socklen_t size = sizeof error;
      if (::getsockopt(m_fds[i], SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
        return Keep(i);
      }
      CloseFd(m_fds[i]);
    }
    return Probe::kNone;
  }

  std::unique_ptr<IBeamSocket> Connect() override {
    if (m_found < 0) {
      return nullptr;
    }
    const int fd = m_found;
    m_found = -1;
    return SecureIfNeeded(std::make_unique<TcpSocket>(fd),
                          m_security.Needed(m_peers[m_foundIndex].address), m_security.deviceFolder,
                          SecureRole::kClient);
  }

 private:
  Probe Keep(size_t index) {
    m_found = m_fds[index];
    m_foundIndex = index;
    m_fds[index] = -1;
    for (int& fd : m_fds) {
      CloseFd(fd);
    }
    return Probe::kFound;
  }

  std::vector<Endpoint> m_peers;
  Security m_security;
  std::vector<int> m_fds;
  int m_found = -1;
  size_t m_foundIndex = 0;
};

}  // namespace

bool ParseBeamAddress(const QString& text, BeamAddress& out) {
  static const QRegularExpression pattern(
      QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([^:\\[\\]\\s]+)):([0-9]{1,5})$"));
  const QRegularExpressionMatch match = pattern.match(text.trimmed());
  if (!match.hasMatch()) {
    return false;
  }
  const uint port = match.captured(3).toUInt();
  if (port > 65535) {
    return false;
  }
  out.host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
  out.port = static_cast<uint16_t>(port);
  return true;
}

QString FormatBeamAddress(const BeamAddress& address) {
  const QString host = address.host.contains(QLatin1Char(':'))
                           ? QStringLiteral("[%1]").arg(address.host)
                           : address.host;
  return QStringLiteral("%1:%2").arg(host).arg(address.port);
}

bool TcpBeamSettings::ParsePeers(const QString& text, std::vector<BeamAddress>& out) {
  static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
  const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
  std::vector<BeamAddress> peers;
  for (const QString& part : parts) {
    BeamAddress address;
    if (!ParseBeamAddress(part, address)) {
      return false;
    }
    peers.push_back(address);
  }
  if (peers.empty()) {
    return false;
  }
  out = std::move(peers);
  return true;
}

TcpBeamSettings TcpBeamSettings::FromRegistry() {
  TcpBeamSettings settings;
  if (const Device* device = Device::Current()) {
    settings.deviceFolder = device->Folder();
  }
  RegistryKey key;
  if (!key.Open(Hive::LocalMachine, QString::fromLatin1(kRegistryKey))) {
    return settings;
  }
  QString text;
  BeamAddress address;
  if (key.QueryString(QStringLiteral("Listen"), text) && ParseBeamAddress(text, address)) {
    settings.listen = address;
  }
  if (key.QueryString(QStringLiteral("Peers"), text)) {
    ParsePeers(text, settings.peers);
  }
  uint32_t secure = 0;
  settings.secureLoopback = key.QueryDword(QStringLiteral("Secure"), secure) && secure == 1;
  return settings;
}

TcpBeamTransport::TcpBeamTransport(TcpBeamSettings settings) : m_settings(std::move(settings)) {}

std::unique_ptr<IBeamConnector> TcpBeamTransport::CreateConnector() {
  std::vector<Endpoint> peers;
  for (const BeamAddress& peer : m_settings.peers) {
    Endpoint endpoint;
    if (Resolve(peer, false, endpoint)) {
      peers.push_back(endpoint);
    }
  }
  if (peers.empty()) {
    return nullptr;
  }
  return std::make_unique<TcpConnector>(
      std::move(peers),
      Security{m_settings.secureLoopback, m_settings.deviceFolder, m_settings.callerSecures});
}

std::unique_ptr<IBeamListener> TcpBeamTransport::Listen() {
  Endpoint endpoint;
  if (!Resolve(m_settings.listen, true, endpoint)) {
    return nullptr;
  }
  int fd = OpenStreamSocket(endpoint.family);
  if (fd < 0) {
    return nullptr;
  }
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&endpoint.address), endpoint.length) != 0 ||
      ::listen(fd, 1) != 0) {
    CloseFd(fd);
    return nullptr;
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0) {
    const uint16_t port = bound.ss_family == AF_INET6
                              ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                              : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port;
    m_listeningPort.store(ntohs(port));
  }
  const Security security{m_settings.secureLoopback, m_settings.deviceFolder,
                          m_settings.callerSecures};
  const bool secure = security.Needed(endpoint.address);
  return std::make_unique<TcpListener>(fd, secure, m_settings.deviceFolder);
}

}  // namespace platform
