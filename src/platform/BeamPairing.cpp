#include "platform/BeamPairing.h"

#include <openssl/rand.h>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSysInfo>
#include <QThread>
#include <QtEndian>
#include <algorithm>

#include "platform/BeamTransportSecure.h"
#include "platform/Registry.h"

namespace platform {
namespace {

constexpr uint8_t kPairingVersion = 1;
constexpr qsizetype kNonceBytes = 32;
constexpr qsizetype kCommitmentBytes = 32;
constexpr qsizetype kMaxNameBytes = 256;
// The longest single wait of a socket move; the window and keepGoing are looked at between.
constexpr int kStepMs = 50;
constexpr uint8_t kConfirmed = 1;
constexpr uint8_t kDeclined = 0;

QByteArray Sha256(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

// The moves of one pairing, each bounded by the pairing window and the caller's cancel.
class Exchange {
 public:
  Exchange(IBeamSocket& socket, const PairingHooks& hooks, int windowMs)
      : m_socket(socket), m_hooks(hooks), m_windowMs(windowMs) {
    m_clock.start();
  }

  bool Open() {
    for (;;) {
      switch (m_socket.Open(kStepMs)) {
        case IBeamSocket::Opening::kReady:
          return true;
        case IBeamSocket::Opening::kRefused:
          return Fail(m_socket.Refusal());
        case IBeamSocket::Opening::kPending:
          if (!Waiting()) {
            return false;
          }
      }
    }
  }

  bool Send(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    return MoveAll(bytes.size(), [&](qsizetype done) {
      return m_socket.Send(data + done, static_cast<size_t>(bytes.size() - done), kStepMs);
    });
  }

  bool Receive(qsizetype length, QByteArray& bytes) {
    bytes.resize(length);
    auto* data = reinterpret_cast<uint8_t*>(bytes.data());
    return MoveAll(length, [&](qsizetype done) {
      return m_socket.Receive(data + done, static_cast<size_t>(length - done), kStepMs);
    });
  }

  // The opening message of either side: version, a nonce or commitment, the sender's name.
  bool SendHello(const QByteArray& value, const QString& name) {
    const QByteArray utf8 = name.toUtf8().left(kMaxNameBytes);
    QByteArray message(1, static_cast<char>(kPairingVersion));
    message += value;
    const uint16_t length = qToLittleEndian(static_cast<uint16_t>(utf8.size()));
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message += utf8;
    return Send(message);
  }

  bool ReceiveHello(qsizetype valueBytes, QByteArray& value, QString& name) {
    QByteArray version;
    QByteArray lengthBytes;
    if (!Receive(1, version) || !Receive(valueBytes, value) || !Receive(2, lengthBytes)) {
      return false;
    }
    if (static_cast<uint8_t>(version[0]) != kPairingVersion) {
      return Fail(QStringLiteral("The other device speaks another version of pairing (%1)")
                      .arg(static_cast<uint8_t>(version[0])));
    }
    const uint16_t length = qFromLittleEndian<uint16_t>(lengthBytes.constData());
    QByteArray utf8;
    if (length > kMaxNameBytes) {
      return Fail(
          QStringLiteral("The other device sent a name longer than %1 bytes").arg(kMaxNameBytes));
    }
    if (!Receive(length, utf8)) {
      return false;
    }
    name = QString::fromUtf8(utf8);
    return true;
  }

  // Each side says whether its person confirmed; true when both did.
  bool ExchangeConfirmations(bool confirmed) {
    QByteArray theirs;
    if (!Send(QByteArray(1, static_cast<char>(confirmed ? kConfirmed : kDeclined)))) {
      return false;
    }
    if (!confirmed) {
      return Fail(
          QStringLiteral("The digits were not confirmed on this device: nothing was "
                         "paired"));
    }
    if (!Receive(1, theirs)) {
      return false;
    }
    if (static_cast<uint8_t>(theirs[0]) != kConfirmed) {
      return Fail(
          QStringLiteral("The digits were not confirmed on the other device: nothing "
                         "was paired"));
    }
    return true;
  }

  bool WindowOpen() {
    if (m_clock.elapsed() > m_windowMs) {
      return Fail(
          QStringLiteral("The pairing window closed after %1 seconds").arg(m_windowMs / 1000));
    }
    return true;
  }

  bool Fail(const QString& why) {
    if (m_error.isEmpty()) {
      m_error = why;
    }
    return false;
  }
  const QString& Error() const { return m_error; }

 private:
  // Moves length bytes in steps of move(done); false when the link broke or the wait ended.
  template <typename Move>
  bool MoveAll(qsizetype length, const Move& move) {
    for (qsizetype done = 0; done < length;) {
      const ptrdiff_t moved = move(done);
      if (moved < 0) {
        return Fail(Gone());
      }
      if (moved == 0 && !Waiting()) {
        return false;
      }
      done += moved;
    }
    return true;
  }

  bool Waiting() {
    if (!WindowOpen()) {
      return false;
    }
    if (m_hooks.keepGoing && !m_hooks.keepGoing()) {
      return Fail(QStringLiteral("Pairing was cancelled"));
    }
    return true;
  }

  QString Gone() const {
    const QString address = m_socket.PeerAddress();
    return QStringLiteral("%1 ended the pairing")
        .arg(address.isEmpty() ? QStringLiteral("The other device") : address);
  }

  IBeamSocket& m_socket;
  const PairingHooks& m_hooks;
  int m_windowMs;
  QElapsedTimer m_clock;
  QString m_error;
};

QByteArray RandomNonce() {
  QByteArray nonce(kNonceBytes, Qt::Uninitialized);
  if (RAND_bytes(reinterpret_cast<unsigned char*>(nonce.data()), kNonceBytes) != 1) {
    return {};
  }
  return nonce;
}

// The nonces of both sides, in the order of the exchange: the responder commits, the initiator
// sends its nonce, the responder reveals. False (with the reason in exchange) when a move failed
// or the revealed nonce does not match the commitment.
bool SwapNonces(Exchange& exchange, PairingRole role, const QString& ownName,
                QByteArray& initiatorNonce, QByteArray& responderNonce, QString& peerName) {
  if (role == PairingRole::kResponder) {
    responderNonce = RandomNonce();
    return !responderNonce.isEmpty() && exchange.SendHello(Sha256(responderNonce), ownName) &&
           exchange.ReceiveHello(kNonceBytes, initiatorNonce, peerName) &&
           exchange.Send(responderNonce);
  }
  QByteArray commitment;
  initiatorNonce = RandomNonce();
  if (initiatorNonce.isEmpty() || !exchange.ReceiveHello(kCommitmentBytes, commitment, peerName) ||
      !exchange.SendHello(initiatorNonce, ownName) ||
      !exchange.Receive(kNonceBytes, responderNonce)) {
    return false;
  }
  if (Sha256(responderNonce) != commitment) {
    return exchange.Fail(QStringLiteral(
        "The other device revealed a nonce that does not match its commitment: a device may "
        "stand between the two. Nothing was paired"));
  }
  return true;
}

}  // namespace

QString PairingDigits(const QByteArray& initiatorPin, const QByteArray& responderPin,
                      const QByteArray& initiatorNonce, const QByteArray& responderNonce) {
  const QByteArray hash = Sha256(QByteArrayLiteral("ovelin pairing 1") + initiatorPin +
                                 responderPin + initiatorNonce + responderNonce);
  const uint32_t value = qFromBigEndian<uint32_t>(hash.constData()) % 1'000'000u;
  return QStringLiteral("%1").arg(value, 6, 10, QLatin1Char('0'));
}

PairingResult RunPairing(SecureBeamSocket& socket, PairingRole role, const QByteArray& ownPin,
                         const QString& ownName, const PairingHooks& hooks, int windowMs) {
  PairingResult result;
  Exchange exchange(socket, hooks, windowMs);
  QByteArray initiatorNonce;
  QByteArray responderNonce;
  PairingOffer offer;
  if (!exchange.Open() ||
      !SwapNonces(exchange, role, ownName, initiatorNonce, responderNonce, offer.peerName)) {
    result.error = exchange.Error();
    return result;
  }
  offer.peerPin = socket.PeerPin();
  offer.peerAddress = socket.PeerAddress();
  const bool initiator = role == PairingRole::kInitiator;
  offer.digits = PairingDigits(initiator ? ownPin : offer.peerPin,
                               initiator ? offer.peerPin : ownPin, initiatorNonce, responderNonce);
  const bool confirmed = hooks.confirm && hooks.confirm(offer) && exchange.WindowOpen();
  if (!exchange.ExchangeConfirmations(confirmed)) {
    result.error = exchange.Error();
    return result;
  }
  result.paired = true;
  result.device = {offer.peerName, offer.peerPin, QDateTime::currentDateTimeUtc()};
  return result;
}

namespace {

// The connection to the other device, plain: pairing secures it itself, accepting any key.
std::unique_ptr<IBeamSocket> Reach(TcpBeamTransport& transport, PairingRole role,
                                   const PairingHooks& hooks, const QElapsedTimer& clock,
                                   int windowMs, QString& error) {
  std::unique_ptr<IBeamListener> listener;
  std::unique_ptr<IBeamConnector> connector;
  if (role == PairingRole::kResponder) {
    listener = transport.Listen();
    if (!listener) {
      error =
          QStringLiteral("Cannot listen on %1").arg(FormatBeamAddress(transport.Settings().listen));
      return nullptr;
    }
    if (hooks.listening) {
      BeamAddress bound = transport.Settings().listen;
      bound.port = transport.ListeningPort();
      hooks.listening(bound);
    }
  } else {
    connector = transport.CreateConnector();
    if (!connector) {
      error = QStringLiteral("Cannot resolve %1")
                  .arg(FormatBeamAddress(transport.Settings().peers.front()));
      return nullptr;
    }
  }
  for (;;) {
    std::unique_ptr<IBeamSocket> socket;
    if (listener) {
      socket = listener->Accept();
    } else if (connector->Discover() == IBeamConnector::Probe::kFound) {
      socket = connector->Connect();
    }
    if (socket) {
      return socket;
    }
    if (clock.elapsed() > windowMs) {
      error = QStringLiteral("The pairing window closed after %1 seconds: no other device %2")
                  .arg(windowMs / 1000)
                  .arg(listener ? QStringLiteral("connected") : QStringLiteral("answered"));
      return nullptr;
    }
    if (hooks.keepGoing && !hooks.keepGoing()) {
      error = QStringLiteral("Pairing was cancelled");
      return nullptr;
    }
    QThread::msleep(kStepMs);
  }
}

}  // namespace

PairingResult PairOverTcp(const QString& deviceFolder, PairingRole role, const BeamAddress& address,
                          const QString& ownName, const QString& localName,
                          const PairingHooks& hooks, int windowMs) {
  PairingResult result;
  BeamSecurity security;
  if (!security.Load(deviceFolder, result.error)) {
    return result;
  }
  QElapsedTimer clock;
  clock.start();
  TcpBeamSettings settings;
  settings.listen = address;
  settings.peers = {address};
  settings.callerSecures = true;
  TcpBeamTransport transport(settings);
  std::unique_ptr<IBeamSocket> plain = Reach(transport, role, hooks, clock, windowMs, result.error);
  if (!plain) {
    return result;
  }
  SecureBeamSocket socket(
      std::move(plain), security,
      role == PairingRole::kResponder ? SecureRole::kServer : SecureRole::kClient, PeerCheck::kAny);
  const int left = windowMs - static_cast<int>(clock.elapsed());
  result = RunPairing(socket, role, security.identity.Pin(), ownName, hooks, std::max(left, 0));
  if (!result.paired) {
    return result;
  }
  if (!localName.trimmed().isEmpty()) {
    result.device.name = localName.trimmed();
  }
  if (result.device.name.isEmpty()) {
    result.device.name = socket.PeerAddress();
  }
  // Read again: the list may have changed on disk while the people compared digits.
  PairedDevices paired;
  if (!paired.Load(deviceFolder, result.error)) {
    result.paired = false;
    return result;
  }
  paired.Put(result.device);
  if (!paired.Save(deviceFolder, result.error)) {
    result.paired = false;
  }
  return result;
}

QString OwnDeviceName() {
  RegistryKey key;
  QString name;
  if (key.Open(Hive::LocalMachine, QString::fromLatin1(TcpBeamSettings::kRegistryKey)) &&
      key.QueryString(QStringLiteral("DeviceName"), name) && !name.trimmed().isEmpty()) {
    return name.trimmed();
  }
  const QString user = qEnvironmentVariable("USER");
  const QString host = QSysInfo::machineHostName();
  return user.isEmpty() ? host : user + QLatin1Char('@') + host;
}

}  // namespace platform
