#pragma once

#include <cstdint>

namespace test_ports {

// A loopback port that refuses every connection for as long as this object lives: bound and never
// listening, so that no other process can take it meanwhile. For a peer that must not answer.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  uint16_t Number() const { return m_number; }

 private:
  int m_fd;
  uint16_t m_number = 0;
};

}  // namespace test_ports
