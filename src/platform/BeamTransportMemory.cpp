#include "platform/BeamTransportMemory.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>

namespace platform {

namespace detail {

constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

struct MemoryBeamState {
  struct Lane {
    std::deque<uint8_t> bytes;
    uint64_t delivered = 0;
    uint64_t cutAfter = kNoLimit;
    uint64_t stallAfter = kNoLimit;
  };

  mutable std::mutex mutex;
  std::condition_variable changed;
  bool listening = false;
  bool pending = false;     // a sender connected that the receiver has not accepted yet
  uint64_t connection = 0;  // number of the current connection; ends of older ones are dead
  bool broken = false;
  bool closed[2] = {false, false};  // by end: 0 the sender's, 1 the receiver's
  Lane lanes[2];                    // by Direction
  size_t chunkLimit = 0;

  void Wait(std::unique_lock<std::mutex>& lock, int waitMs) {
    changed.wait_for(lock, std::chrono::milliseconds(std::max(waitMs, 0)));
  }
};

}  // namespace detail

namespace {

using detail::kNoLimit;
using detail::MemoryBeamState;

class MemoryBeamSocket : public IBeamSocket {
 public:
  MemoryBeamSocket(std::shared_ptr<MemoryBeamState> state, int end, uint64_t connection)
      : m_state(std::move(state)), m_end(end), m_connection(connection) {}
  ~MemoryBeamSocket() override {
    std::lock_guard lock(m_state->mutex);
    if (Current()) {
      m_state->closed[m_end] = true;
      m_state->changed.notify_all();
    }
  }
  MemoryBeamSocket(const MemoryBeamSocket&) = delete;
  MemoryBeamSocket& operator=(const MemoryBeamSocket&) = delete;

  ptrdiff_t Send(const uint8_t* data, size_t length, int waitMs) override {
    std::unique_lock lock(m_state->mutex);
    if (!Alive()) {
      return -1;
    }
    if (length == 0) {
      return 0;
    }
    auto& lane = m_state->lanes[m_end];  // the sender's end writes towards the receiver
    if (lane.delivered >= lane.cutAfter) {
      Break();
      return -1;
    }
    uint64_t allowed = std::min<uint64_t>(length, lane.cutAfter - lane.delivered);
    if (lane.stallAfter != kNoLimit) {
      allowed = lane.delivered >= lane.stallAfter
                    ? 0
                    : std::min<uint64_t>(allowed, lane.stallAfter - lane.delivered);
    }
    if (m_state->chunkLimit != 0) {
      allowed = std::min<uint64_t>(allowed, m_state->chunkLimit);
    }
    if (allowed == 0) {
      m_state->Wait(lock, waitMs);  // a stalled link: nothing moves, the caller's clock runs
      return Alive() ? 0 : -1;
    }
    lane.bytes.insert(lane.bytes.end(), data, data + allowed);
    lane.delivered += allowed;
    if (lane.delivered >= lane.cutAfter) {
      Break();
    }
    m_state->changed.notify_all();
    return static_cast<ptrdiff_t>(allowed);
  }

  ptrdiff_t Receive(uint8_t* data, size_t length, int waitMs) override {
    std::unique_lock lock(m_state->mutex);
    if (!Current() || m_state->closed[m_end]) {
      return -1;
    }
    if (length == 0) {
      return 0;
    }
    auto& lane = m_state->lanes[1 - m_end];
    if (lane.bytes.empty() && !m_state->broken && !m_state->closed[1 - m_end]) {
      m_state->Wait(lock, waitMs);
    }
    if (!Current()) {
      return -1;
    }
    if (!lane.bytes.empty()) {
      const size_t count = std::min(length, lane.bytes.size());
      std::copy_n(lane.bytes.begin(), count, data);
      lane.bytes.erase(lane.bytes.begin(), lane.bytes.begin() + static_cast<ptrdiff_t>(count));
      return static_cast<ptrdiff_t>(count);
    }
    return m_state->broken || m_state->closed[1 - m_end] ? -1 : 0;
  }

 private:
  bool Current() const { return m_state->connection == m_connection; }
  bool Alive() const {
    return Current() && !m_state->broken && !m_state->closed[0] && !m_state->closed[1];
  }
  void Break() {
    m_state->broken = true;
    m_state->changed.notify_all();
  }

  std::shared_ptr<MemoryBeamState> m_state;
  int m_end;  // 0 = the sender's end, 1 = the receiver's end
  uint64_t m_connection;
};

class MemoryListener : public IBeamListener {
 public:
  explicit MemoryListener(std::shared_ptr<MemoryBeamState> state) : m_state(std::move(state)) {}
  ~MemoryListener() override {
    std::lock_guard lock(m_state->mutex);
    m_state->listening = false;
  }
  MemoryListener(const MemoryListener&) = delete;
  MemoryListener& operator=(const MemoryListener&) = delete;

  std::unique_ptr<IBeamSocket> Accept() override {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->pending) {
      return nullptr;
    }
    m_state->pending = false;
    return std::make_unique<MemoryBeamSocket>(m_state, 1, m_state->connection);
  }

 private:
  std::shared_ptr<MemoryBeamState> m_state;
};

class MemoryConnector : public IBeamConnector {
 public:
  explicit MemoryConnector(std::shared_ptr<MemoryBeamState> state) : m_state(std::move(state)) {}

  Probe Discover() override {
    std::lock_guard lock(m_state->mutex);
    return m_state->listening && !m_state->pending ? Probe::kFound : Probe::kNone;
  }

  std::unique_ptr<IBeamSocket> Connect() override {
    std::lock_guard lock(m_state->mutex);
    if (!m_state->listening || m_state->pending) {
      return nullptr;
    }
    // A fresh connection: the limits set for it stay, the traffic of an earlier one goes.
    ++m_state->connection;
    m_state->pending = true;
    m_state->broken = false;
    m_state->closed[0] = m_state->closed[1] = false;
    for (auto& lane : m_state->lanes) {
      lane.bytes.clear();
      lane.delivered = 0;
    }
    return std::make_unique<MemoryBeamSocket>(m_state, 0, m_state->connection);
  }

 private:
  std::shared_ptr<MemoryBeamState> m_state;
};

}  // namespace

MemoryBeamTransport::MemoryBeamTransport() : m_state(std::make_shared<MemoryBeamState>()) {}

MemoryBeamTransport::~MemoryBeamTransport() = default;

std::unique_ptr<IBeamConnector> MemoryBeamTransport::CreateConnector() {
  return std::make_unique<MemoryConnector>(m_state);
}

std::unique_ptr<IBeamListener> MemoryBeamTransport::Listen() {
  std::lock_guard lock(m_state->mutex);
  if (m_state->listening) {
    return nullptr;  // the service address is taken
  }
  m_state->listening = true;
  return std::make_unique<MemoryListener>(m_state);
}

void MemoryBeamTransport::CutAfter(Direction direction, uint64_t bytes) {
  std::lock_guard lock(m_state->mutex);
  m_state->lanes[static_cast<int>(direction)].cutAfter = bytes;
}

void MemoryBeamTransport::StallAfter(Direction direction, uint64_t bytes) {
  std::lock_guard lock(m_state->mutex);
  m_state->lanes[static_cast<int>(direction)].stallAfter = bytes;
}

void MemoryBeamTransport::SetChunkLimit(size_t bytes) {
  std::lock_guard lock(m_state->mutex);
  m_state->chunkLimit = bytes;
}

void MemoryBeamTransport::Cut() {
  std::lock_guard lock(m_state->mutex);
  m_state->broken = true;
  m_state->changed.notify_all();
}

bool MemoryBeamTransport::IsListening() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->listening;
}

bool MemoryBeamTransport::IsCut() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->broken;
}

uint64_t MemoryBeamTransport::Delivered(Direction direction) const {
  std::lock_guard lock(m_state->mutex);
  return m_state->lanes[static_cast<int>(direction)].delivered;
}

}  // namespace platform
