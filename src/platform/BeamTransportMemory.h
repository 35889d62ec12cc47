#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/BeamTransport.h"

// A beam transport inside one process, for tests: the sending and the receiving side use the same
// object (from two threads). The receiver's Listen makes the link discoverable; the sender's
// Connect joins it; Accept hands the receiver the other end. The connection can be cut or stalled
// at any byte in either direction, and sends can be split into small pieces.
namespace platform {

namespace detail {
struct MemoryBeamState;
}

class MemoryBeamTransport : public IBeamTransport {
 public:
  enum class Direction { kToReceiver = 0, kToSender = 1 };

  MemoryBeamTransport();
  ~MemoryBeamTransport() override;
  MemoryBeamTransport(const MemoryBeamTransport&) = delete;
  MemoryBeamTransport& operator=(const MemoryBeamTransport&) = delete;

  std::unique_ptr<IBeamConnector> CreateConnector() override;
  std::unique_ptr<IBeamListener> Listen() override;

  // The connection breaks as soon as bytes bytes have been delivered in that direction: the
  // bytes delivered before stay readable, every later move of either end answers -1.
  void CutAfter(Direction direction, uint64_t bytes);
  // After bytes bytes in that direction, sends in that direction move nothing (they wait and
  // answer 0) while the connection stays open.
  void StallAfter(Direction direction, uint64_t bytes);
  // Each send moves at most this many bytes (0 = no limit).
  void SetChunkLimit(size_t bytes);
  // Breaks the connection now.
  void Cut();

  bool IsListening() const;
  bool IsCut() const;
  // Bytes delivered in that direction so far on the current connection.
  uint64_t Delivered(Direction direction) const;

 private:
  std::shared_ptr<detail::MemoryBeamState> m_state;
};

}  // namespace platform
