#pragma once
// The folder where the program keeps its records for support: a log of each run and the history
// of runs. It is the user's own (on Linux created 0700, its files 0600), holds only the program's
// files, and is reached by plain names: nothing in it is followed through a link.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rlq::platform {

// A file being written; each Append reaches the system before it returns.
class RecordFile {
  public:
    virtual ~RecordFile() = default;
    virtual bool Append(std::string_view text) = 0;
};

// Held while it lives; released by the system when the process ends, however it ends.
class RecordLock {
  public:
    virtual ~RecordLock() = default;
};

class RecordFolder {
  public:
    virtual ~RecordFolder() = default;
    // The folder's path, as people are told of it.
    virtual std::string Path() const = 0;
    // A new file `name`, never one that exists; null with the reason in `why` when the folder or
    // the file cannot be made.
    virtual std::unique_ptr<RecordFile> CreateNew(const std::string& name, std::string& why) = 0;
    // The names of the files in the folder, in no order.
    virtual std::vector<std::string> Names() = 0;
    virtual void Remove(const std::string& name) = 0;
    // Waits for and holds the lock named `name` against every other process that takes it.
    virtual std::unique_ptr<RecordLock> Lock(const std::string& name, std::string& why) = 0;
    // The whole file: empty when it does not exist, nullopt when it cannot be read.
    virtual std::optional<std::string> Read(const std::string& name) = 0;
    // Appends to the file, which is made where missing.
    virtual bool Append(const std::string& name, std::string_view text) = 0;
    // Replaces the file whole: a reader sees either the old or the new content.
    virtual bool Replace(const std::string& name, std::string_view text) = 0;
    // Opens the folder, made where missing, in the system's file manager, as this process's
    // user; false when that cannot be started.
    virtual bool Show() = 0;
};

// The user's folder of the program's records.
RecordFolder& SystemRecordFolder();

}  // namespace rlq::platform
