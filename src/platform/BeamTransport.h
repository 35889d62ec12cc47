#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

// The stream transport over which two devices beam records to each other. The receiving device
// listens under the service name "Ovelin"; the sending device discovers a listening peer, connects
// to it and the two exchange one byte stream. Every move is non-blocking: it waits a bounded time
// for the stream to become ready and then answers what it moved, so the caller keeps control of
// its own time-outs and cancel checks.
namespace platform {

// One end of an open connection. Closed when destroyed.
class IBeamSocket {
 public:
  virtual ~IBeamSocket() = default;

  // Moves at most length bytes, waiting up to waitMs for the stream to become ready. Answers the
  // number of bytes moved (> 0), 0 when nothing could move in that time, or -1 when the
  // connection is closed or broken (it never recovers from that).
  virtual ptrdiff_t Send(const uint8_t* data, size_t length, int waitMs) = 0;
  virtual ptrdiff_t Receive(uint8_t* data, size_t length, int waitMs) = 0;

  enum class Opening { kReady, kPending, kRefused };
  // Completes what must happen before the first byte of a transfer moves, waiting up to waitMs:
  // on a secure connection the handshake and the check of the other device's key. kPending
  // until it is done; kRefused (see Refusal) when the other end may not be beamed with. A plain
  // connection is ready at once.
  virtual Opening Open(int waitMs) {
    static_cast<void>(waitMs);
    return Opening::kReady;
  }
  // Why Open refused, one sentence that names the other end's address.
  virtual QString Refusal() const { return {}; }
  // The paired device at the other end of a secure connection once it is open; empty on a
  // plain one.
  virtual QString PeerName() const { return {}; }
  // The other end's address as "HOST:PORT"; empty when the transport has none.
  virtual QString PeerAddress() const { return {}; }
};

// The receiving side's listening endpoint, bound to the service address. Closed when destroyed.
class IBeamListener {
 public:
  virtual ~IBeamListener() = default;

  // The connection of a sender that is waiting to be accepted; nullptr at once when none is.
  virtual std::unique_ptr<IBeamSocket> Accept() = 0;
};

// The sending side's endpoint before it is connected.
class IBeamConnector {
 public:
  enum class Probe { kNone, kFound, kFailed };

  virtual ~IBeamConnector() = default;

  // One discovery round without waiting: asks the peers in range whether one offers the service.
  // kFound when one answered (Connect then connects to the first that did), kNone when none did
  // yet, kFailed when discovery itself cannot work.
  virtual Probe Discover() = 0;
  // Connects to the peer that discovery found; nullptr on failure.
  virtual std::unique_ptr<IBeamSocket> Connect() = 0;
};

// A way to reach other devices: makes the endpoints of both sides.
class IBeamTransport {
 public:
  virtual ~IBeamTransport() = default;

  // Sending side: a fresh endpoint; nullptr when none can be made.
  virtual std::unique_ptr<IBeamConnector> CreateConnector() = 0;
  // Receiving side: an endpoint listening for one sender; nullptr when it cannot be bound.
  virtual std::unique_ptr<IBeamListener> Listen() = 0;
};

// The service name under which a receiving device listens.
constexpr const char* kBeamServiceName = "Ovelin";

}  // namespace platform
