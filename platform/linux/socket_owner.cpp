#include "platform/linux/socket_owner.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/free_with.h"

namespace rlq::platform {
namespace {

std::string FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

std::string UserOf(const std::string& processFolder) {
    struct stat info {};
    if (::stat(processFolder.c_str(), &info) != 0) {
        return {};
    }
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(info.st_uid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return "uid " + std::to_string(info.st_uid);
    }
    return found->pw_name;
}

}  // namespace

std::optional<ProcessIdentity> OwnerOfSocket(unsigned long inode) {
    const std::string link = "socket:[" + std::to_string(inode) + "]";
    const std::unique_ptr<DIR, FreeWith<::closedir>> processes(::opendir("/proc"));
    if (!processes) {
        return std::nullopt;
    }
    while (const dirent* process = ::readdir(processes.get())) {
        const char* name = process->d_name;
        if (*name < '1' || *name > '9') {
            continue;
        }
        const std::string folder = std::string("/proc/") + name;
        const std::string fdFolder = folder + "/fd";
        const std::unique_ptr<DIR, FreeWith<::closedir>> fds(::opendir(fdFolder.c_str()));
        if (!fds) {
            continue;  // ended, or another user's
        }
        while (const dirent* fd = ::readdir(fds.get())) {
            std::array<char, 64> target{};
            const std::string path = fdFolder + "/" + fd->d_name;
            const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
            if (length > 0 && link == target.data()) {
                return ProcessIdentity{static_cast<std::uint32_t>(std::strtoul(name, nullptr, 10)),
                                       FirstLine(folder + "/comm"), UserOf(folder)};
            }
        }
    }
    return std::nullopt;
}

}  // namespace rlq::platform
