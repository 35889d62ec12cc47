#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "platform/BeamTransport.h"
#include "platform/DeviceIdentity.h"
#include "platform/PairedDevices.h"

// TLS 1.3 around a beam connection, with both devices authenticated by their certificates and
// the other device's key checked against the paired list before the first byte of a transfer
// moves (see docs/beam-security.md). The secure socket runs over any other socket, so the same
// code protects a TCP connection and the tests' in-memory one.
namespace platform {

// What a secure connection needs of the device.
struct BeamSecurity {
  DeviceIdentity identity;
  PairedDevices paired;
  // The longest the handshake and the check of the other device may take, from the first Open.
  int handshakeLimitMs = 5000;

  // The identity and paired list of a device folder (the identity made on first use). False
  // with the reason when either cannot be read.
  bool Load(const QString& folder, QString& error);
};

enum class SecureRole { kClient, kServer };

// What the secure socket accepts of the other device's key.
enum class PeerCheck {
  kPaired,  // only a key on the paired list: every beam
  kAny,     // any key, kept for the caller to read: pairing, which is how keys get on the list
};

class SecureBeamSocket : public IBeamSocket {
 public:
  // Runs TLS over inner, which must stay open for the lifetime of this socket. When the context
  // cannot be made, Open refuses with the reason.
  SecureBeamSocket(std::unique_ptr<IBeamSocket> inner, const BeamSecurity& security,
                   SecureRole role, PeerCheck check);
  ~SecureBeamSocket() override;
  SecureBeamSocket(const SecureBeamSocket&) = delete;
  SecureBeamSocket& operator=(const SecureBeamSocket&) = delete;

  // Until Open has answered kReady, nothing moves: Send and Receive drive the opening and answer
  // 0 while it is pending and -1 once it refused.
  ptrdiff_t Send(const uint8_t* data, size_t length, int waitMs) override;
  ptrdiff_t Receive(uint8_t* data, size_t length, int waitMs) override;
  Opening Open(int waitMs) override;
  QString Refusal() const override;
  QString PeerName() const override;
  QString PeerAddress() const override;
  // The pin of the other device's key once the handshake is done.
  QByteArray PeerPin() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// The socket to use for a connection: secure when it must be, else inner as it is. A secure
// socket whose device identity cannot be loaded refuses, naming why.
std::unique_ptr<IBeamSocket> SecureIfNeeded(std::unique_ptr<IBeamSocket> inner, bool secure,
                                            const QString& deviceFolder, SecureRole role);

}  // namespace platform
