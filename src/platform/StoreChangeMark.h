#pragma once

#include <cstdint>
#include <optional>

// What a cache of records read from the current device's object store needs in order to be kept:
// a mark of the store's state to take before the read and to compare with later. Two marks are
// equal only when no change of the store was committed between them, by this process's connection
// or by any other (another process on the device, another connection of this one).
namespace platform {

struct StoreChangeMark {
  uint64_t connection = 0;    // the serial of the connection the marks were taken on
  int64_t othersCommits = 0;  // moves on at every commit of another connection
  int64_t ownChanges = 0;     // rows this connection has inserted, updated or deleted

  friend bool operator==(const StoreChangeMark&, const StoreChangeMark&) = default;
};

// The current device's mark; none when it cannot be taken: no device or store, a failed read
// (reported), or a transaction open on the connection, whose changes may yet be rolled back. What
// is read without a mark is not to be kept.
std::optional<StoreChangeMark> CurrentStoreChangeMark();

}  // namespace platform
