// One UDP datagram (see the header): a fresh socket per datagram keeps nothing open between the rare sends.
#include "platform/posix/udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

bool sendDatagram(const std::string& host, int port, std::string_view bytes) {
  if (port < 1 || port > 65535) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &to.sin_addr) != 1) return false;

  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // Non-blocking: a full send buffer drops the datagram rather than stalling the main thread.
  ssize_t sent = -1;
  do {
    sent = sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
  } while (sent < 0 && errno == EINTR);
  close(fd);
  return sent >= 0 && static_cast<std::size_t>(sent) == bytes.size();
}
