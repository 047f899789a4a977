#pragma once
// Temporary files in memory: a folder can refuse new files, and writes or the close can fail.

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/temp_file.h"

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
            // A stream for appending only opens the file and fails every read of it.
            return platform::ReadOnlyFile(std::fopen(path.c_str(), failReads ? "ab" : "rb"));
        }
        platform::ReadOnlyFile file(std::tmpfile());
        if (file) {
            std::fwrite(found->second.data(), 1, found->second.size(), file.get());
            std::rewind(file.get());
        }
        return file;
    }

  private:
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
