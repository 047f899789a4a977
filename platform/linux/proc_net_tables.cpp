#include "platform/linux/proc_net_tables.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace rlq::platform::proc_net {
namespace {

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

std::string ReadTable(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

unsigned long UnixInodeOfAbstractName(std::string_view table, std::string_view name) {
    // Num RefCount Protocol Flags Type St Inode Path; an abstract name reads "@name".
    unsigned long inode = 0;
    EachRow(table, [&](const std::vector<std::string>& fields) {
        if (inode == 0 && fields.size() == 8 && fields[7].size() == name.size() + 1 &&
            fields[7][0] == '@' && std::string_view(fields[7]).substr(1) == name) {
            inode = std::strtoul(fields[6].c_str(), nullptr, 10);
        }
    });
    return inode;
}

}  // namespace rlq::platform::proc_net
