#pragma once
// What the temporary-file backends share: the name pattern, and bytes collected in a buffer that
// goes out in whole writes.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/temp_file.h"

namespace rlq::platform {

constexpr int kTempNameAttempts = 16;

// ".rlq-<16 hex digits>.tmp" from 64 random bits.
inline std::string TempFileName(unsigned long long random) {
    char name[32];
    std::snprintf(name, sizeof name, ".rlq-%016llx.tmp", random);
    return name;
}

class BufferedTempFile : public TempFile {
  public:
    explicit BufferedTempFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const final { return m_path; }

    bool Put(std::uint8_t byte) final {
        if (m_used == m_buffer.size() && !Flush()) {
            return false;
        }
        m_buffer[m_used++] = byte;
        return true;
    }

    bool Close() final {
        const bool flushed = Flush();
        return CloseFile() && flushed;
    }

  protected:
    // Writes all of `data` to the open file; false on any failure or when no file is open.
    virtual bool WriteAll(const std::uint8_t* data, std::size_t size) = 0;
    virtual bool CloseFile() = 0;

  private:
    bool Flush() {
        const bool ok = WriteAll(m_buffer.data(), m_used);
        m_used = 0;
        return ok;
    }

    std::string m_path;
    std::array<std::uint8_t, 64 * 1024> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace rlq::platform
