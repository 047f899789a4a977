// Temporary files on Win32: CREATE_NEW under a random name refuses every existing name, a
// planted file or link included, and the file is opened for this process alone.

#include <windows.h>

#include <bcrypt.h>
#include <share.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/free_with.h"
#include "platform/support/buffered_temp_file.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

class Win32TempFile final : public BufferedTempFile {
  public:
    Win32TempFile(win32::UniqueHandle file, std::string path)
        : BufferedTempFile(std::move(path)), m_file(std::move(file)) {}

  private:
    bool WriteAll(const std::uint8_t* data, std::size_t size) override {
        while (size > 0) {
            // In the 64-bit build size_t is wider than the count; the loop writes the rest.
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
            DWORD written = 0;
            if (!m_file || !::WriteFile(m_file.Get(), data, chunk, &written, nullptr) ||
                written == 0) {
                return false;
            }
            data += written;
            size -= written;
        }
        return static_cast<bool>(m_file);
    }

    bool CloseFile() override {
        const bool ok = static_cast<bool>(m_file);
        m_file.Reset();
        return ok;
    }

    win32::UniqueHandle m_file;
};

std::string RandomName() {
    unsigned long long value = 0;
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return {};
    }
    return TempFileName(static_cast<std::uint32_t>(::GetCurrentProcessId()), value);
}

// A process that exists, or one this user may not look at: either way not ours to judge.
bool MayBeAlive(std::uint32_t owner) {
    win32::UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, owner));
    if (!process) {
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    }
    return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
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
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
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

    void RemoveLeftovers(const std::string& folder) override {
        WIN32_FIND_DATAW found;
        const std::string pattern =
            std::string(kTempNamePrefix) + "*" + std::string(kTempNameSuffix);
        const HANDLE first =
            ::FindFirstFileW(win32::Widen(JoinPath(folder, pattern)).c_str(), &found);
        if (first == INVALID_HANDLE_VALUE) {
            return;
        }
        std::unique_ptr<void, FreeWith<::FindClose>> search(first);
        constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        do {
            const std::string name = win32::Narrow(found.cFileName);
            const auto owner = TempFileOwner(name);
            if (owner && (found.dwFileAttributes & kNotAFile) == 0 && !MayBeAlive(*owner)) {
                ::DeleteFileW(win32::Widen(JoinPath(folder, name)).c_str());
            }
        } while (::FindNextFileW(search.get(), &found));
    }

    // Other writers are refused while it is open, so what is read is not changed under the reader.
    ReadOnlyFile OpenForReading(const std::string& path) override {
        return ReadOnlyFile(::_wfsopen(win32::Widen(path).c_str(), L"rb", _SH_DENYWR));
    }
};

}  // namespace

TempFiles& SystemTempFiles() {
    static Win32TempFiles files;
    return files;
}

}  // namespace rlq::platform
