#include "platform/BeamTransportSecure.h"

#include <openssl/err.h>
#include <QElapsedTimer>
#include <algorithm>
#include <climits>
#include <utility>

#include "platform/OpenSslSupport.h"

namespace platform {
namespace {

// Each end's word on the other after the handshake, the only bytes of the secure layer itself:
// the key checks of both ends must agree before a transfer's first byte moves, so that the end
// whose key was refused can say so instead of seeing a broken transfer.
constexpr uint8_t kPeerAccepted = 1;
constexpr uint8_t kPeerRefused = 0;

// Trust is decided by the pin of the other device's key once the handshake is done: a device's
// certificate is self-signed, so no chain could vouch for it.
int AcceptAnyCertificate(int, X509_STORE_CTX*) {
  return 1;
}

openssl::Context MakeContext(const BeamSecurity& security, QString& error) {
  openssl::Context context(SSL_CTX_new(TLS_method()));
  const openssl::Key key = openssl::ReadKey(security.identity.KeyPem());
  const openssl::Certificate certificate =
      openssl::ReadCertificate(security.identity.CertificatePem());
  if (!context || !key || !certificate ||
      SSL_CTX_set_min_proto_version(context.get(), TLS1_3_VERSION) != 1 ||
      SSL_CTX_set_max_proto_version(context.get(), TLS1_3_VERSION) != 1 ||
      SSL_CTX_use_certificate(context.get(), certificate.get()) != 1 ||
      SSL_CTX_use_PrivateKey(context.get(), key.get()) != 1) {
    error = QStringLiteral("the secure connection cannot be set up: %1").arg(openssl::LastError());
    return nullptr;
  }
  SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                     AcceptAnyCertificate);
  SSL_CTX_set_num_tickets(context.get(), 0);  // one transfer per connection: nothing to resume
  SSL_CTX_set_read_ahead(context.get(), 1);
  SSL_CTX_set_mode(context.get(),
                   SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  return context;
}

// A connection that may not be used, for the reason given.
class RefusedSocket : public IBeamSocket {
 public:
  explicit RefusedSocket(QString reason) : m_reason(std::move(reason)) {}
  ptrdiff_t Send(const uint8_t*, size_t, int) override { return -1; }
  ptrdiff_t Receive(uint8_t*, size_t, int) override { return -1; }
  Opening Open(int) override { return Opening::kRefused; }
  QString Refusal() const override { return m_reason; }

 private:
  QString m_reason;
};

}  // namespace

bool BeamSecurity::Load(const QString& folder, QString& error) {
  return identity.LoadOrCreate(folder, error) && paired.Load(folder, error);
}

struct SecureBeamSocket::Impl {
  enum class State { kHandshake, kSendVerdict, kReadVerdict, kReady, kRefused };

  std::unique_ptr<IBeamSocket> inner;
  BeamSecurity security;
  PeerCheck check;
  openssl::Context context;
  openssl::Ssl ssl;
  State state = State::kHandshake;
  QString refusal;
  QString peerName;
  QByteArray peerPin;
  bool peerAccepted = false;
  // The wait of the current move: only its first read or write of the inner socket waits.
  int wait = 0;
  bool innerBroken = false;
  QElapsedTimer clock;

  int TakeWait() { return std::exchange(wait, 0); }

  QString Where() const {
    const QString address = inner->PeerAddress();
    return address.isEmpty() ? QStringLiteral("The other device") : address;
  }

  IBeamSocket::Opening Refuse(const QString& why) {
    state = State::kRefused;
    refusal = why;
    ERR_clear_error();
    return IBeamSocket::Opening::kRefused;
  }

  // Whether an SSL call that answered result may be tried again once the inner socket moves.
  bool CanRetry(int result) const {
    const int error = SSL_get_error(ssl.get(), result);
    return !innerBroken && (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE);
  }

  IBeamSocket::Opening Pending() {
    if (clock.elapsed() > security.handshakeLimitMs) {
      return Refuse(QStringLiteral("%1 did not complete the secure connection within %2 seconds")
                        .arg(Where())
                        .arg(security.handshakeLimitMs / 1000));
    }
    return IBeamSocket::Opening::kPending;
  }

  void CheckPeer() {
    X509* certificate = SSL_get0_peer_certificate(ssl.get());
    peerPin =
        certificate != nullptr ? openssl::PinOfKey(X509_get0_pubkey(certificate)) : QByteArray();
    if (check == PeerCheck::kAny) {
      peerAccepted = !peerPin.isEmpty();
    } else if (const PairedDevice* paired = security.paired.FindByPin(peerPin)) {
      peerAccepted = true;
      peerName = paired->name;
    }
    state = State::kSendVerdict;
  }

  IBeamSocket::Opening Step() {
    for (;;) {
      switch (state) {
        case State::kHandshake: {
          const int result = SSL_do_handshake(ssl.get());
          if (result == 1) {
            CheckPeer();
            break;
          }
          if (CanRetry(result)) {
            return Pending();
          }
          return Refuse(innerBroken ? QStringLiteral("%1 closed the connection before it was "
                                                     "secured")
                                          .arg(Where())
                                    : QStringLiteral("%1 did not open a secure connection (%2)")
                                          .arg(Where(), openssl::LastError()));
        }
        case State::kSendVerdict: {
          const uint8_t verdict = peerAccepted ? kPeerAccepted : kPeerRefused;
          const int result = SSL_write(ssl.get(), &verdict, 1);
          if (!peerAccepted) {
            return Refuse(QStringLiteral("%1 is not a paired device").arg(Where()));
          }
          if (result == 1) {
            state = State::kReadVerdict;
            break;
          }
          return CanRetry(result) ? Pending() : Refuse(Closed());
        }
        case State::kReadVerdict: {
          uint8_t verdict = kPeerRefused;
          const int result = SSL_read(ssl.get(), &verdict, 1);
          if (result == 1) {
            if (verdict != kPeerAccepted) {
              return Refuse(
                  QStringLiteral("%1 refused this device: it is not paired with it").arg(Where()));
            }
            state = State::kReady;
            break;
          }
          return CanRetry(result) ? Pending() : Refuse(Closed());
        }
        case State::kReady:
          return IBeamSocket::Opening::kReady;
        case State::kRefused:
          return IBeamSocket::Opening::kRefused;
      }
    }
  }

  QString Closed() const {
    return QStringLiteral("%1 closed the secure connection before the transfer").arg(Where());
  }

  IBeamSocket::Opening Open(int waitMs) {
    if (!clock.isValid()) {
      clock.start();
    }
    wait = waitMs;
    return Step();
  }

  // One move of up to length bytes by call (SSL_read or SSL_write of that many), once the
  // connection is open: the bytes moved, 0 to try again, -1 when the link is gone or refused.
  template <typename Call>
  ptrdiff_t Move(size_t length, int waitMs, const Call& call) {
    const IBeamSocket::Opening opening = Open(waitMs);
    if (opening != IBeamSocket::Opening::kReady) {
      return opening == IBeamSocket::Opening::kPending ? 0 : -1;
    }
    if (length == 0) {
      return 0;
    }
    wait = waitMs;
    const int result = call(static_cast<int>(std::min<size_t>(length, INT_MAX)));
    return result > 0 ? result : (CanRetry(result) ? 0 : -1);
  }

  static int BioWrite(BIO* bio, const char* data, int length) {
    auto* self = static_cast<Impl*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ptrdiff_t moved = self->inner->Send(reinterpret_cast<const uint8_t*>(data),
                                              static_cast<size_t>(length), self->TakeWait());
    if (moved > 0) {
      return static_cast<int>(moved);
    }
    if (moved == 0) {
      BIO_set_retry_write(bio);
    } else {
      self->innerBroken = true;
    }
    return -1;
  }

  static int BioRead(BIO* bio, char* data, int length) {
    auto* self = static_cast<Impl*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ptrdiff_t moved = self->inner->Receive(reinterpret_cast<uint8_t*>(data),
                                                 static_cast<size_t>(length), self->TakeWait());
    if (moved > 0) {
      return static_cast<int>(moved);
    }
    if (moved == 0) {
      BIO_set_retry_read(bio);
    } else {
      self->innerBroken = true;
    }
    return -1;
  }

  static long BioControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
  }

  static int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
  }

  // The BIO type that carries TLS records over an inner beam socket; made once per process.
  static const BIO_METHOD* Method() {
    static BIO_METHOD* const method = [] {
      BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "beam socket");
      BIO_meth_set_write(made, BioWrite);
      BIO_meth_set_read(made, BioRead);
      BIO_meth_set_ctrl(made, BioControl);
      BIO_meth_set_create(made, BioCreate);
      return made;
    }();
    return method;
  }
};

SecureBeamSocket::SecureBeamSocket(std::unique_ptr<IBeamSocket> inner, const BeamSecurity& security,
                                   SecureRole role, PeerCheck check)
    : m_impl(std::make_unique<Impl>()) {
  Impl& impl = *m_impl;
  impl.inner = std::move(inner);
  impl.security = security;
  impl.check = check;
  QString error;
  impl.context = MakeContext(security, error);
  if (impl.context) {
    impl.ssl.reset(SSL_new(impl.context.get()));
  }
  BIO* bio = impl.ssl ? BIO_new(Impl::Method()) : nullptr;
  if (bio == nullptr) {
    impl.Refuse(
        error.isEmpty()
            ? QStringLiteral("the secure connection cannot be set up: %1").arg(openssl::LastError())
            : error);
    return;
  }
  BIO_set_data(bio, &impl);
  SSL_set_bio(impl.ssl.get(), bio, bio);  // the SSL owns the BIO from here
  if (role == SecureRole::kClient) {
    SSL_set_connect_state(impl.ssl.get());
  } else {
    SSL_set_accept_state(impl.ssl.get());
  }
}

SecureBeamSocket::~SecureBeamSocket() {
  if (m_impl->state == Impl::State::kReady) {
    SSL_shutdown(m_impl->ssl.get());  // close_notify, when the link takes it at once
  }
}

IBeamSocket::Opening SecureBeamSocket::Open(int waitMs) {
  return m_impl->Open(waitMs);
}

ptrdiff_t SecureBeamSocket::Send(const uint8_t* data, size_t length, int waitMs) {
  return m_impl->Move(length, waitMs,
                      [&](int bytes) { return SSL_write(m_impl->ssl.get(), data, bytes); });
}

ptrdiff_t SecureBeamSocket::Receive(uint8_t* data, size_t length, int waitMs) {
  return m_impl->Move(length, waitMs,
                      [&](int bytes) { return SSL_read(m_impl->ssl.get(), data, bytes); });
}

QString SecureBeamSocket::Refusal() const {
  return m_impl->refusal;
}

QString SecureBeamSocket::PeerName() const {
  return m_impl->state == Impl::State::kReady ? m_impl->peerName : QString();
}

QString SecureBeamSocket::PeerAddress() const {
  return m_impl->inner ? m_impl->inner->PeerAddress() : QString();
}

QByteArray SecureBeamSocket::PeerPin() const {
  return m_impl->peerPin;
}

std::unique_ptr<IBeamSocket> SecureIfNeeded(std::unique_ptr<IBeamSocket> inner, bool secure,
                                            const QString& deviceFolder, SecureRole role) {
  if (!secure || !inner) {
    return inner;
  }
  BeamSecurity security;
  QString error;
  if (!security.Load(deviceFolder, error)) {
    return std::make_unique<RefusedSocket>(
        QStringLiteral("No secure connection with %1: %2").arg(inner->PeerAddress(), error));
  }
  return std::make_unique<SecureBeamSocket>(std::move(inner), security, role, PeerCheck::kPaired);
}

}  // namespace platform
