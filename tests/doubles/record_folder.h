#pragma once
// The record folder in memory: the whole folder can refuse to be made, and files can stop
// taking writes, as a full disk does.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/record_folder.h"

namespace rlq::testing {

class FakeRecordFolder final : public platform::RecordFolder {
  public:
    std::map<std::string, std::string> files;  // read directly once no writer runs
    // The run log writes on a thread of its own, so the faults may change under its writes, and
    // Read and Append take turns.
    std::atomic<bool> unusable = false;  // nothing can be made, read, locked or shown
    int shown = 0;                       // times the folder was opened for the user
    std::atomic<bool> diskFull = false;  // writes fail from now on
    int locksTaken = 0;

    std::string Path() const override { return "/state/rlq-updater"; }

    std::unique_ptr<platform::RecordFile> CreateNew(const std::string& name,
                                                    std::string& why) override {
        if (unusable || files.contains(name)) {
            why = unusable ? "the folder is a file" : name + " exists";
            return nullptr;
        }
        files[name];
        return std::make_unique<File>(*this, name);
    }
    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        for (const auto& [name, content] : files) {
            names.push_back(name);
        }
        return names;
    }
    void Remove(const std::string& name) override { files.erase(name); }
    std::unique_ptr<platform::RecordLock> Lock(const std::string&, std::string& why) override {
        if (unusable) {
            why = "the folder is a file";
            return nullptr;
        }
        ++locksTaken;
        return std::make_unique<platform::RecordLock>();
    }
    std::optional<std::string> Read(const std::string& name) override {
        std::lock_guard held(m_lock);
        if (unusable) {
            return std::nullopt;
        }
        const auto file = files.find(name);
        return file != files.end() ? file->second : std::string();
    }
    bool Append(const std::string& name, std::string_view text) override {
        std::lock_guard held(m_lock);
        if (unusable || diskFull) {
            return false;
        }
        files[name] += text;
        return true;
    }
    bool Show() override {
        ++shown;
        return !unusable;
    }

    bool Replace(const std::string& name, std::string_view text) override {
        if (unusable || diskFull) {
            return false;
        }
        files[name] = text;
        return true;
    }

  private:
    std::mutex m_lock;
    struct File final : platform::RecordFile {
        File(FakeRecordFolder& folder, std::string name) : folder(folder), name(std::move(name)) {}
        bool Append(std::string_view text) override { return folder.Append(name, text); }
        FakeRecordFolder& folder;
        std::string name;
    };
};

}  // namespace rlq::testing
