#include "platform/linux/proc_net_tables.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <sstream>

namespace rlq::platform::proc_net {
namespace {

constexpr unsigned long kRouteUp = 0x0001;  // RTF_UP

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> fields;
    for (std::string field; in >> field;) {
        fields.push_back(field);
    }
    return fields;
}

unsigned long Hex(const std::string& text) {
    return std::strtoul(text.c_str(), nullptr, 16);
}

// Each line after the heading, split into its fields.
template <typename Visit>
void EachRow(std::string_view table, Visit visit) {
    std::istringstream in{std::string(table)};
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        visit(Fields(line));
    }
}

}  // namespace

std::vector<unsigned long> UdpInodesOnPort(std::string_view table, std::uint16_t port) {
    // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode ...
    std::vector<unsigned long> inodes;
    EachRow(table, [&](const std::vector<std::string>& fields) {
        if (fields.size() < 10) {
            return;
        }
        const std::size_t colon = fields[1].rfind(':');
        if (colon != std::string::npos && Hex(fields[1].substr(colon + 1)) == port) {
            inodes.push_back(std::strtoul(fields[9].c_str(), nullptr, 10));
        }
    });
    return inodes;
}

std::vector<RouteLine> UsableRoutes(std::string_view table) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the addresses are the
    // network-order words as the host prints them.
    std::vector<RouteLine> routes;
    EachRow(table, [&](const std::vector<std::string>& fields) {
        if (fields.size() < 8 || fields[0] == "*" || (Hex(fields[3]) & kRouteUp) == 0) {
            return;
        }
        routes.push_back({fields[0], ntohl(static_cast<std::uint32_t>(Hex(fields[1]))),
                          ntohl(static_cast<std::uint32_t>(Hex(fields[7])))});
    });
    return routes;
}

}  // namespace rlq::platform::proc_net
