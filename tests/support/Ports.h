#pragma once

#include <cstdint>

namespace test_ports {

// A loopback port that nothing listens on (bound, then released).
uint16_t FreePort();

}  // namespace test_ports
