// One UDP datagram to a local address, fire and forget.
#pragma once

#include <string>
#include <string_view>

// Opens a datagram socket, sends `bytes` once to host:port (an IPv4 address in dotted form), closes it.
// False when the socket could not be opened or the send failed; nothing waits for a reply.
bool sendDatagram(const std::string& host, int port, std::string_view bytes);
