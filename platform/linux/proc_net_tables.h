#pragma once
// The kernel's text tables under /proc/net, read as the network namespace of the reader sees
// them. The parsing is pure, so that the tables' byte orders are checked without a kernel.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ipv4.h"

namespace rlq::platform::proc_net {

// The whole text of the table at `path`; empty when it cannot be read.
std::string ReadTable(const std::string& path);

// The socket inodes of /proc/net/udp or /proc/net/udp6 text bound to local `port`.
std::vector<unsigned long> UdpInodesOnPort(std::string_view table, std::uint16_t port);

// The inode of the socket bound to abstract `name` in /proc/net/unix text, 0 when none is.
unsigned long UnixInodeOfAbstractName(std::string_view table, std::string_view name);

}  // namespace rlq::platform::proc_net
