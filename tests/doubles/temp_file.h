#pragma once
// Temporary files in memory: a folder can refuse new files, and writes or the close can fail.

#include <cstdint>
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
