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
      : state_(std::move(state)), end_(end), connection_(connection) {}
  ~MemoryBeamSocket() override {
    std::lock_guard lock(state_->mutex);
    if (Current()) {
      state_->closed[end_] = true;
      state_->changed.notify_all();
    }
  }
  MemoryBeamSocket(const MemoryBeamSocket&) = delete;
  MemoryBeamSocket& operator=(const MemoryBeamSocket&) = delete;

  ptrdiff_t Send(const uint8_t* data, size_t length, int waitMs) override {
    std::unique_lock lock(state_->mutex);
    if (!Alive()) {
      return -1;
    }
    if (length == 0) {
      return 0;
    }
    auto& lane = state_->lanes[end_];  // the sender's end writes towards the receiver
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
    if (state_->chunkLimit != 0) {
      allowed = std::min<uint64_t>(allowed, state_->chunkLimit);
    }
    if (allowed == 0) {
      state_->Wait(lock, waitMs);  // a stalled link: nothing moves, the caller's clock runs
      return Alive() ? 0 : -1;
    }
    lane.bytes.insert(lane.bytes.end(), data, data + allowed);
    lane.delivered += allowed;
    if (lane.delivered >= lane.cutAfter) {
      Break();
    }
    state_->changed.notify_all();
    return static_cast<ptrdiff_t>(allowed);
  }

  ptrdiff_t Receive(uint8_t* data, size_t length, int waitMs) override {
    std::unique_lock lock(state_->mutex);
    if (!Current() || state_->closed[end_]) {
      return -1;
    }
    if (length == 0) {
      return 0;
    }
    auto& lane = state_->lanes[1 - end_];
    if (lane.bytes.empty() && !state_->broken && !state_->closed[1 - end_]) {
      state_->Wait(lock, waitMs);
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
    return state_->broken || state_->closed[1 - end_] ? -1 : 0;
  }

 private:
  bool Current() const { return state_->connection == connection_; }
  bool Alive() const {
    return Current() && !state_->broken && !state_->closed[0] && !state_->closed[1];
  }
  void Break() {
    state_->broken = true;
    state_->changed.notify_all();
  }

  std::shared_ptr<MemoryBeamState> state_;
  int end_;  // 0 = the sender's end, 1 = the receiver's end
  uint64_t connection_;
};

class MemoryListener : public IBeamListener {
 public:
  explicit MemoryListener(std::shared_ptr<MemoryBeamState> state) : state_(std::move(state)) {}
  ~MemoryListener() override {
    std::lock_guard lock(state_->mutex);
    state_->listening = false;
  }
  MemoryListener(const MemoryListener&) = delete;
  MemoryListener& operator=(const MemoryListener&) = delete;

  std::unique_ptr<IBeamSocket> Accept() override {
    std::lock_guard lock(state_->mutex);
    if (!state_->pending) {
      return nullptr;
    }
    state_->pending = false;
    return std::make_unique<MemoryBeamSocket>(state_, 1, state_->connection);
  }

 private:
  std::shared_ptr<MemoryBeamState> state_;
};

class MemoryConnector : public IBeamConnector {
 public:
  explicit MemoryConnector(std::shared_ptr<MemoryBeamState> state) : state_(std::move(state)) {}

  Probe Discover() override {
    std::lock_guard lock(state_->mutex);
    return state_->listening && !state_->pending ? Probe::kFound : Probe::kNone;
  }

  std::unique_ptr<IBeamSocket> Connect() override {
    std::lock_guard lock(state_->mutex);
    if (!state_->listening || state_->pending) {
      return nullptr;
    }
    // A fresh connection: the limits set for it stay, the traffic of an earlier one goes.
    ++state_->connection;
    state_->pending = true;
    state_->broken = false;
    state_->closed[0] = state_->closed[1] = false;
    for (auto& lane : state_->lanes) {
      lane.bytes.clear();
      lane.delivered = 0;
    }
    return std::make_unique<MemoryBeamSocket>(state_, 0, state_->connection);
  }

 private:
  std::shared_ptr<MemoryBeamState> state_;
};

}  // namespace

MemoryBeamTransport::MemoryBeamTransport() : state_(std::make_shared<MemoryBeamState>()) {}

MemoryBeamTransport::~MemoryBeamTransport() = default;

std::unique_ptr<IBeamConnector> MemoryBeamTransport::CreateConnector() {
  return std::make_unique<MemoryConnector>(state_);
}

std::unique_ptr<IBeamListener> MemoryBeamTransport::Listen() {
  std::lock_guard lock(state_->mutex);
  if (state_->listening) {
    return nullptr;  // the service address is taken
  }
  state_->listening = true;
  return std::make_unique<MemoryListener>(state_);
}

void MemoryBeamTransport::CutAfter(Direction direction, uint64_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->lanes[static_cast<int>(direction)].cutAfter = bytes;
}

void MemoryBeamTransport::StallAfter(Direction direction, uint64_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->lanes[static_cast<int>(direction)].stallAfter = bytes;
}

void MemoryBeamTransport::SetChunkLimit(size_t bytes) {
  std::lock_guard lock(state_->mutex);
  state_->chunkLimit = bytes;
}

void MemoryBeamTransport::Cut() {
  std::lock_guard lock(state_->mutex);
  state_->broken = true;
  state_->changed.notify_all();
}

bool MemoryBeamTransport::IsListening() const {
  std::lock_guard lock(state_->mutex);
  return state_->listening;
}

bool MemoryBeamTransport::IsCut() const {
  std::lock_guard lock(state_->mutex);
  return state_->broken;
}

uint64_t MemoryBeamTransport::Delivered(Direction direction) const {
  std::lock_guard lock(state_->mutex);
  return state_->lanes[static_cast<int>(direction)].delivered;
}

}  // namespace platform
