#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/BeamTransport.h"
#include "platform/BeamTransportTcp.h"
#include "platform/PairedDevices.h"

// Pairing: two devices learn each other's key while both people look at their screens, so that
// later beams between them can be secured without asking anything (see docs/beam-security.md).
//
// Over a TLS connection that accepts any key, the responder (the listening side) first commits
// to a random nonce by sending its hash; the initiator then sends its own nonce, and only then
// does the responder reveal its nonce. Both ends derive six digits from both keys and both
// nonces. A relay in the middle holds keys of its own, so the digits of the two ends differ, and
// having committed it cannot search for nonces that would make them agree.
namespace platform {

enum class PairingRole {
  kResponder,  // waits for the other device (pair --listen)
  kInitiator,  // connects to the waiting device (pair --peer)
};

// What each person compares before saying yes.
struct PairingOffer {
  QString digits;       // "123456"
  QString peerName;     // the name the other device gave itself
  QString peerAddress;  // "HOST:PORT", or empty
  QByteArray peerPin;
};

// The wait of pairing for a person or for the other device: serves whatever the caller must
// keep going (a window's events) and answers false to give up.
struct PairingHooks {
  // Shows the offer and answers whether the person confirms that both screens show the same
  // digits.
  std::function<bool(const PairingOffer&)> confirm;
  // Called between waits; false cancels the pairing. Empty = never cancelled.
  std::function<bool()> keepGoing;
  // Told the address the responder listens on, once it does (the port chosen for port 0).
  std::function<void(const BeamAddress&)> listening;
};

struct PairingResult {
  bool paired = false;
  QString error;  // why not, when not paired
  PairedDevice device;
};

class SecureBeamSocket;

// The exchange itself, over a SecureBeamSocket made with PeerCheck::kAny (its handshake may be
// pending). ownName is the name this device gives itself. Ends within windowMs. Stores nothing:
// the result's device carries the name the other device gave and the pin of its key.
PairingResult RunPairing(SecureBeamSocket& socket, PairingRole role, const QByteArray& ownPin,
                         const QString& ownName, const PairingHooks& hooks, int windowMs);

// The digits both ends show: from the initiator's and the responder's pins and nonces.
QString PairingDigits(const QByteArray& initiatorPin, const QByteArray& responderPin,
                      const QByteArray& initiatorNonce, const QByteArray& responderNonce);

// A whole pairing of the device in deviceFolder over TCP: listens on address (responder) or
// connects to it (initiator), runs the exchange and, when both people confirmed, adds the other
// device to the paired list under localName (or the name it gave). The pairing window closes
// after windowMs.
PairingResult PairOverTcp(const QString& deviceFolder, PairingRole role, const BeamAddress& address,
                          const QString& ownName, const QString& localName,
                          const PairingHooks& hooks, int windowMs = 60'000);

// The name a device gives itself when pairing: the registry's "DeviceName" under the beam key,
// else user@host.
QString OwnDeviceName();

}  // namespace platform
