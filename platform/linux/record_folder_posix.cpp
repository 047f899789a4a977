// The record folder on Linux: $XDG_STATE_HOME/rlq-updater, by default ~/.local/state/rlq-updater.
// Every file is reached through the folder's descriptor with O_NOFOLLOW, so a link planted in
// the folder (or a folder swapped for a link after it was opened) is never followed.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/linux/unique_fd.h"
#include "platform/record_folder.h"

namespace rlq::platform {
namespace {

constexpr char kFolderName[] = "rlq-updater";
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;
constexpr char kReplacementSuffix[] = ".new";
constexpr char kFileManager[] = "xdg-open";

std::string StateHome() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return state;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] == '/' ? home : "") + "/.local/state";
}

// Makes every missing folder of `path` with mode 0700.
bool MakeFolders(const std::string& path) {
    for (std::size_t at = 1; at != std::string::npos;) {
        at = path.find('/', at + 1);
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

class PosixRecordFile final : public RecordFile {
  public:
    explicit PosixRecordFile(UniqueFd fd) : m_fd(std::move(fd)) {}
    bool Append(std::string_view text) override {
        return WriteAll(m_fd.Get(), text.data(), text.size());
    }

  private:
    UniqueFd m_fd;
};

class PosixRecordLock final : public RecordLock {
  public:
    explicit PosixRecordLock(UniqueFd fd) : m_fd(std::move(fd)) {}

  private:
    UniqueFd m_fd;
};

class PosixRecordFolder final : public RecordFolder {
  public:
    PosixRecordFolder() : m_path(StateHome() + "/" + kFolderName) {}

    std::string Path() const override { return m_path; }

    std::unique_ptr<RecordFile> CreateNew(const std::string& name, std::string& why) override {
        UniqueFd fd = OpenIn(name, O_WRONLY | O_CREAT | O_EXCL, why);
        return fd ? std::make_unique<PosixRecordFile>(std::move(fd)) : nullptr;
    }

    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        std::string why;
        const int folder = FolderFd(why);
        DIR* listing = folder >= 0 ? ::fdopendir(::dup(folder)) : nullptr;
        if (listing == nullptr) {
            return names;
        }
        ::rewinddir(listing);
        while (const dirent* entry = ::readdir(listing)) {
            if (entry->d_name[0] != '.') {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(listing);
        return names;
    }

    void Remove(const std::string& name) override {
        std::string why;
        if (const int folder = FolderFd(why); folder >= 0) {
            ::unlinkat(folder, name.c_str(), 0);
        }
    }

    std::unique_ptr<RecordLock> Lock(const std::string& name, std::string& why) override {
        UniqueFd fd = OpenIn(name, O_RDWR | O_CREAT, why);
        if (!fd) {
            return nullptr;
        }
        while (::flock(fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                why = std::strerror(errno);
                return nullptr;
            }
        }
        return std::make_unique<PosixRecordLock>(std::move(fd));
    }

    std::optional<std::string> Read(const std::string& name) override {
        std::string why;
        const int folder = FolderFd(why);
        if (folder < 0) {
            return std::nullopt;
        }
        UniqueFd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
        }
        std::string content;
        char chunk[4096];
        for (;;) {
            const ssize_t got = ::read(fd.Get(), chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return std::nullopt;
            }
            if (got == 0) {
                return content;
            }
            content.append(chunk, static_cast<std::size_t>(got));
        }
    }

    bool Append(const std::string& name, std::string_view text) override {
        std::string why;
        UniqueFd fd = OpenIn(name, O_WRONLY | O_CREAT | O_APPEND, why);
        return fd && WriteAll(fd.Get(), text.data(), text.size()) && fd.Close();
    }

    bool Replace(const std::string& name, std::string_view text) override {
        std::string why;
        const std::string replacement = name + kReplacementSuffix;
        Remove(replacement);
        UniqueFd fd = OpenIn(replacement, O_WRONLY | O_CREAT | O_EXCL, why);
        if (!fd || !WriteAll(fd.Get(), text.data(), text.size()) || ::fsync(fd.Get()) != 0 ||
            !fd.Close()) {
            Remove(replacement);
            return false;
        }
        return ::renameat(FolderFd(why), replacement.c_str(), FolderFd(why), name.c_str()) == 0;
    }

    bool Show() override {
        std::string why;
        if (FolderFd(why) < 0) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            ::posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
        }
        std::string path = m_path;
        std::string manager = kFileManager;
        char* const arguments[] = {manager.data(), path.data(), nullptr};
        pid_t child = 0;
        const int failed =
            ::posix_spawnp(&child, kFileManager, &actions, nullptr, arguments, environ);
        ::posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            return false;
        }
        // Reaped off the UI thread: the file manager may take its time to hand over.
        std::thread([child] { ::waitpid(child, nullptr, 0); }).detach();
        return true;
    }

  private:
    // The folder, made where missing and opened once; -1 with the reason when it cannot be.
    int FolderFd(std::string& why) {
        std::lock_guard lock(m_lock);
        if (!m_folder) {
            const std::string parent = m_path.substr(0, m_path.rfind('/'));
            if (!MakeFolders(parent) ||
                (::mkdir(m_path.c_str(), kFolderMode) != 0 && errno != EEXIST)) {
                why = m_path + ": " + std::strerror(errno);
                return -1;
            }
            m_folder.Reset(::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!m_folder) {
                why = m_path + ": " + std::strerror(errno);
                return -1;
            }
        }
        return m_folder.Get();
    }

    UniqueFd OpenIn(const std::string& name, int flags, std::string& why) {
        const int folder = FolderFd(why);
        if (folder < 0) {
            return UniqueFd();
        }
        UniqueFd fd(::openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, kFileMode));
        if (!fd) {
            why = m_path + "/" + name + ": " + std::strerror(errno);
        }
        return fd;
    }

    const std::string m_path;
    std::mutex m_lock;
    UniqueFd m_folder;
};

}  // namespace

RecordFolder& SystemRecordFolder() {
    static PosixRecordFolder folder;
    return folder;
}

}  // namespace rlq::platform
