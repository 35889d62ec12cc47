#include "support/Ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test_ports {

RefusingPort::RefusingPort() : m_fd(::socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    m_number = ntohs(address.sin_port);
  }
}

RefusingPort::~RefusingPort() {
  ::close(m_fd);
}

}  // namespace test_ports
