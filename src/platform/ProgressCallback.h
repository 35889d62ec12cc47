#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// How a long loop (a full check, an export, an import, filling a ward) tells whoever started it
// how far it has come: done of total units, the units being the loop's own (records, patients,
// bytes). The loop calls it once before its first unit with done 0, and again as units complete;
// it must stay cheap, so the listener decides how often it shows anything. An empty callback means
// nobody listens.
using ProgressCallback = std::function<void(uint64_t done, uint64_t total)>;

// Calls progress when somebody listens.
inline void Report(const ProgressCallback& progress, uint64_t done, uint64_t total) {
  if (progress) {
    progress(done, total);
  }
}

}  // namespace platform
