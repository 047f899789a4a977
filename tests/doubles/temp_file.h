#pragma once
// Temporary files in memory: a folder can refuse new files, and writes or the close can fail.

#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/temp_file.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace rlq::testing {

class FakeTempFiles final : public platform::TempFiles {
  public:
    std::set<std::string> refusingFolders;
    bool failWrites = false;  // from the 1001st byte of a file on
    bool failClose = false;
    bool failReads = false;  // of files the test wrote on disk
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::vector<std::string> removed;
    std::vector<std::uint8_t> lastRemovedContent;
    std::vector<std::string> sweptFolders;

    std::unique_ptr<platform::TempFile> CreateIn(const std::string& folder) override {
        if (refusingFolders.count(folder)) {
            return nullptr;
        }
        const std::string path = folder + "/.rlq-" + std::to_string(files.size()) + ".tmp";
        files[path];
        return std::make_unique<File>(*this, path);
    }
    std::string SystemTempFolder() const override { return "/tmp"; }
    void Remove(const std::string& path) override {
        removed.push_back(path);
        lastRemovedContent = files[path];
        files.erase(path);
    }
    void RemoveLeftovers(const std::string& folder) override { sweptFolders.push_back(folder); }
    // What was put, read back through a file of the C library's own; a path the double does not
    // hold is a file the test wrote on disk.
    platform::ReadOnlyFile OpenForReading(const std::string& path) override {
        const auto found = files.find(path);
        if (found == files.end()) {
            platform::ReadOnlyFile file(std::fopen(path.c_str(), "rb"));
            if (file && failReads) {
                BreakReads(file.get(), path);
            }
            return file;
        }
        platform::ReadOnlyFile file(std::tmpfile());
        if (file) {
            std::fwrite(found->second.data(), 1, found->second.size(), file.get());
            std::rewind(file.get());
        }
        return file;
    }

  private:
    // Puts a write-only descriptor of the same file under the stream, so that every read fails
    // in the system call with either C runtime (a stream opened for appending fails its reads
    // with glibc, not with Windows' runtime).
    static void BreakReads(std::FILE* stream, const std::string& path) {
#ifdef _WIN32
        const int writeOnly = ::_open(path.c_str(), _O_WRONLY | _O_BINARY);
        if (writeOnly >= 0) {
            ::_dup2(writeOnly, ::_fileno(stream));
            ::_close(writeOnly);
        }
#else
        const int writeOnly = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (writeOnly >= 0) {
            ::dup2(writeOnly, ::fileno(stream));
            ::close(writeOnly);
        }
#endif
    }

    class File final : public platform::TempFile {
      public:
        File(FakeTempFiles& owner, std::string path) : m_owner(owner), m_path(std::move(path)) {}
        const std::string& Path() const override { return m_path; }
        bool Put(std::uint8_t byte) override {
            if (m_owner.failWrites && m_owner.files[m_path].size() == 1000) {
                return false;
            }
            m_owner.files[m_path].push_back(byte);
            return true;
        }
        bool Close() override { return !m_owner.failClose; }

      private:
        FakeTempFiles& m_owner;
        std::string m_path;
    };
};

}  // namespace rlq::testing
