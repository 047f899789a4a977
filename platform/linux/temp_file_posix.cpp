#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "common/free_with.h"
#include "platform/linux/temp_file_posix.h"
#include "platform/linux/unique_fd.h"
#include "platform/support/buffered_temp_file.h"

namespace rlq::platform {
namespace {

class PosixTempFile final : public BufferedTempFile {
  public:
    PosixTempFile(UniqueFd fd, std::string path)
        : BufferedTempFile(std::move(path)), m_fd(std::move(fd)) {}

  private:
    bool WriteAll(const std::uint8_t* data, std::size_t size) override {
        return m_fd && platform::WriteAll(m_fd.Get(), data, size);
    }

    bool CloseFile() override { return m_fd.Close(); }

    UniqueFd m_fd;
};

std::string RandomName() {
    unsigned long long value = 0;
    if (::getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
        return {};
    }
    return TempFileName(static_cast<std::uint32_t>(::getpid()), value);
}

// A process that exists, or an id that cannot be a process's: either way not ours to judge.
bool MayBeAlive(std::uint32_t owner) {
    return owner > INT_MAX || ::kill(static_cast<pid_t>(owner), 0) == 0 || errno != ESRCH;
}

class PosixTempFiles final : public TempFiles {
  public:
    explicit PosixTempFiles(std::function<std::string()> nameSource)
        : m_nameSource(std::move(nameSource)) {}

    std::unique_ptr<TempFile> CreateIn(const std::string& folder) override {
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
            const std::string name = m_nameSource();
            if (name.empty()) {
                return nullptr;
            }
            const std::string path = folder + "/" + name;
            // O_EXCL with O_CREAT refuses any existing name, a link included.
            UniqueFd fd(
                ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (fd) {
                return std::make_unique<PosixTempFile>(std::move(fd), path);
            }
            if (errno != EEXIST) {
                return nullptr;
            }
        }
        return nullptr;
    }

    std::string SystemTempFolder() const override {
        const char* folder = std::getenv("TMPDIR");
        return folder && *folder ? folder : "/tmp";
    }

    void Remove(const std::string& path) override { ::unlink(path.c_str()); }

    void RemoveLeftovers(const std::string& folder) override {
        std::unique_ptr<DIR, FreeWith<::closedir>> listing(::opendir(folder.c_str()));
        if (!listing) {
            return;
        }
        // Looked at and removed relative to the open folder: a name that is swapped for a link
        // in between is removed as a link, never followed.
        const int folderFd = ::dirfd(listing.get());
        while (const dirent* entry = ::readdir(listing.get())) {
            const auto owner = TempFileOwner(entry->d_name);
            struct stat info {};
            if (!owner || MayBeAlive(*owner) ||
                ::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
                continue;
            }
            ::unlinkat(folderFd, entry->d_name, 0);
        }
    }

    ReadOnlyFile OpenForReading(const std::string& path) override {
        return ReadOnlyFile(std::fopen(path.c_str(), "rb"));
    }

  private:
    std::function<std::string()> m_nameSource;
};

}  // namespace

TempFiles& SystemTempFiles() {
    static PosixTempFiles files(RandomName);
    return files;
}

std::unique_ptr<TempFiles> MakeSystemTempFiles(std::function<std::string()> nameSource) {
    return std::make_unique<PosixTempFiles>(std::move(nameSource));
}

}  // namespace rlq::platform
