// A netlink socket subscribed to IPv4 route changes; any message on it is a change.

#include <linux/rtnetlink.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "platform/linux/netlink_handles.h"
#include "platform/linux/netlink_host_parts.h"

namespace rlq::platform::netlink {
namespace {

class NetlinkRouteWatch final : public RouteChangeWatch {
  public:
    explicit NetlinkRouteWatch(Socket sock) : m_sock(std::move(sock)) {}

    RouteWaitResult Wait(std::chrono::milliseconds bound) override {
        if (!m_sock) {
            return RouteWaitResult::Refused;
        }
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + bound;
        pollfd entry{nl_socket_get_fd(m_sock.get()), POLLIN, 0};
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            const int result = ::poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0)));
            if (result > 0) {
                return (entry.revents & POLLIN) != 0 ? RouteWaitResult::Signalled
                                                     : RouteWaitResult::TimedOut;
            }
            if (result == 0 || errno != EINTR) {
                return RouteWaitResult::TimedOut;
            }
        }
    }

  private:
    Socket m_sock;
};

}  // namespace

std::unique_ptr<RouteChangeWatch> OpenRouteChangeWatch() {
    Socket sock = ConnectRoute();
    if (sock && nl_socket_add_membership(sock.get(), RTNLGRP_IPV4_ROUTE) != 0) {
        sock.reset();
    }
    return std::make_unique<NetlinkRouteWatch>(std::move(sock));
}

}  // namespace rlq::platform::netlink
