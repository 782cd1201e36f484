// A datagram socket on an ephemeral loopback port: it stands in for a UDP peer (Live's OSC endpoint) in
// tests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

class LoopbackReceiver {
 public:
  LoopbackReceiver() {
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    if (fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &length) == 0)
      port = ntohs(at.sin_port);
  }
  ~LoopbackReceiver() {
    if (fd_ >= 0) close(fd_);
  }
  LoopbackReceiver(const LoopbackReceiver&) = delete;
  LoopbackReceiver& operator=(const LoopbackReceiver&) = delete;

  int port = 0;  // 0 when the socket could not be bound

  // Every datagram that arrives, the first within a longer wait, then until a short wait passes empty.
  std::vector<std::string> drain() {
    std::vector<std::string> out;
    char buffer[2048];
    for (pollfd p{fd_, POLLIN, 0}; poll(&p, 1, out.empty() ? 200 : 50) == 1;) {
      const auto n = recv(fd_, buffer, sizeof buffer, 0);
      if (n < 0) break;
      out.emplace_back(buffer, static_cast<std::size_t>(n));
    }
    return out;
  }

 private:
  int fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
};
