#pragma once
// Temporary files for a privileged program: created exclusively under an unpredictable name, so
// that a file or link planted in the folder is never opened, truncated or followed.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "common/free_with.h"

namespace rlq::platform {

// Write-only and buffered; destroying it closes it but leaves the file in place.
class TempFile {
  public:
    virtual ~TempFile() = default;
    virtual const std::string& Path() const = 0;
    // Buffers one byte; false when writing the buffer out failed.
    virtual bool Put(std::uint8_t byte) = 0;
    // Writes out what is buffered and closes; false when either failed.
    virtual bool Close() = 0;
};

// A file open for binary reading; closed when it goes.
using ReadOnlyFile = std::unique_ptr<std::FILE, FreeWith<std::fclose>>;

class TempFiles {
  public:
    virtual ~TempFiles() = default;
    // Null when no file can be created in `folder`.
    virtual std::unique_ptr<TempFile> CreateIn(const std::string& folder) = 0;
    virtual std::string SystemTempFolder() const = 0;
    // Deletes the file; a missing file or a refusal is ignored.
    virtual void Remove(const std::string& path) = 0;
    // Deletes from `folder` the temporary files that runs which have died left there: only files
    // of this program's name pattern whose owning process is gone and, where the system knows
    // owners, that belong to this user; never a link or what it points to.
    virtual void RemoveLeftovers(const std::string& folder) = 0;
    // Opens a file for binary reading by its UTF-8 path; null when it cannot be opened. Where the
    // system has share modes, other writers are refused while it is open.
    virtual ReadOnlyFile OpenForReading(const std::string& path) = 0;
};

TempFiles& SystemTempFiles();

}  // namespace rlq::platform
