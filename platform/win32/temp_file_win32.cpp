// Temporary files on Win32: CREATE_NEW under a random name refuses every existing name, a
// planted file or link included, and the file is opened for this process alone.

#include <windows.h>

#include <bcrypt.h>

#include <array>
#include <cstdio>
#include <vector>

#include "platform/temp_file.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kNameAttempts = 16;

class Win32TempFile final : public TempFile {
  public:
    Win32TempFile(win32::UniqueHandle file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path)) {}

    const std::string& Path() const override { return m_path; }

    bool Put(std::uint8_t byte) override {
        if (m_used == m_buffer.size() && !Flush()) {
            return false;
        }
        m_buffer[m_used++] = byte;
        return true;
    }

    bool Close() override {
        bool ok = Flush();
        if (!m_file) {
            ok = false;
        }
        m_file.Reset();
        return ok;
    }

  private:
    bool Flush() {
        const std::uint8_t* data = m_buffer.data();
        std::size_t left = m_used;
        m_used = 0;
        while (left > 0) {
            DWORD written = 0;
            if (!m_file ||
                !::WriteFile(m_file.Get(), data, static_cast<DWORD>(left), &written, nullptr) ||
                written == 0) {
                return false;
            }
            data += written;
            left -= written;
        }
        return true;
    }

    win32::UniqueHandle m_file;
    std::string m_path;
    std::array<std::uint8_t, kBufferSize> m_buffer;
    std::size_t m_used = 0;
};

std::string RandomName() {
    unsigned long long value = 0;
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return {};
    }
    char name[40];
    std::snprintf(name, sizeof name, ".rlq-%016llx.tmp", value);
    return name;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        return folder + name;
    }
    return folder + "\\" + name;
}

class Win32TempFiles final : public TempFiles {
  public:
    std::unique_ptr<TempFile> CreateIn(const std::string& folder) override {
        for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
            const std::string name = RandomName();
            if (name.empty()) {
                return nullptr;
            }
            const std::string path = JoinPath(folder, name);
            win32::UniqueHandle file(::CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, 0,
                                                   nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
            if (file) {
                return std::make_unique<Win32TempFile>(std::move(file), path);
            }
            if (::GetLastError() != ERROR_FILE_EXISTS) {
                return nullptr;
            }
        }
        return nullptr;
    }

    std::string SystemTempFolder() const override {
        std::vector<wchar_t> buffer(MAX_PATH + 1);
        DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length > buffer.size()) {
            buffer.resize(length);
            length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
        }
        if (length == 0 || length > buffer.size()) {
            return ".";
        }
        std::wstring_view folder(buffer.data(), length);
        if (folder.size() > 1 && folder.back() == L'\\') {
            folder.remove_suffix(1);  // the joins add the separator
        }
        return win32::Narrow(folder);
    }

    void Remove(const std::string& path) override { ::DeleteFileW(win32::Widen(path).c_str()); }
};

}  // namespace

TempFiles& SystemTempFiles() {
    static Win32TempFiles files;
    return files;
}

std::FILE* OpenFileForReading(const std::string& path) {
    return ::_wfopen(win32::Widen(path).c_str(), L"rb");
}

}  // namespace rlq::platform
