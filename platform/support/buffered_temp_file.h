#pragma once
// What the temporary-file backends share: the name pattern, and bytes collected in a buffer that
// goes out in whole writes.

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/temp_file.h"

namespace rlq::platform {

constexpr int kTempNameAttempts = 16;
constexpr std::string_view kTempNamePrefix = ".rlq-";
constexpr std::string_view kTempNameSuffix = ".tmp";

// ".rlq-<owner>-<16 hex digits>.tmp": the owning process's id, so that a later run can tell the
// file of a run that died, and 64 random bits.
inline std::string TempFileName(std::uint32_t owner, unsigned long long random) {
    char middle[32];
    std::snprintf(middle, sizeof middle, "%u-%016llx", owner, random);
    return std::string(kTempNamePrefix) + middle + std::string(kTempNameSuffix);
}

// The owner named in a file name that TempFileName made exactly; nullopt for any other name.
inline std::optional<std::uint32_t> TempFileOwner(std::string_view name) {
    constexpr std::size_t kRandomDigits = 16;
    if (!name.starts_with(kTempNamePrefix) || !name.ends_with(kTempNameSuffix)) {
        return std::nullopt;
    }
    name = name.substr(kTempNamePrefix.size(),
                       name.size() - kTempNamePrefix.size() - kTempNameSuffix.size());
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0 || name[0] == '0' ||
        name.size() - dash - 1 != kRandomDigits ||
        name.find_first_not_of("0123456789abcdef", dash + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint32_t owner = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, owner);
    if (error != std::errc{} || end != name.data() + dash) {
        return std::nullopt;
    }
    return owner;
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
