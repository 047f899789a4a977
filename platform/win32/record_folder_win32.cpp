// The record folder on Windows: %LOCALAPPDATA%\RLQ610ATotalUpdater. Files are opened without
// following reparse points, so a link planted in the folder is never written through.

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/record_folder.h"
#include "platform/win32/handle.h"
#include "platform/win32/program_name.h"
#include "platform/win32/system_error_text.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

constexpr wchar_t kLocalAppData[] = L"LOCALAPPDATA";
constexpr wchar_t kReplacementSuffix[] = L".new";
constexpr INT_PTR kShellExecuteErrorLimit = 32;  // ShellExecute's results up to 32 are errors
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring FolderPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length =
        ::GetEnvironmentVariableW(kLocalAppData, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.resize(length);
        length = ::GetEnvironmentVariableW(kLocalAppData, buffer.data(),
                                           static_cast<DWORD>(buffer.size()));
    }
    return std::wstring(buffer.data(), length) + L"\\" + win32::kProgramName;
}

std::string LastErrorText() {
    return win32::SystemErrorText(::GetLastError());
}

bool WriteAll(HANDLE file, std::string_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), MAXDWORD));
        DWORD written = 0;
        if (!::WriteFile(file, text.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        text.remove_prefix(written);
    }
    return true;
}

class Win32RecordFile final : public RecordFile {
  public:
    explicit Win32RecordFile(win32::UniqueHandle file) : m_file(std::move(file)) {}
    bool Append(std::string_view text) override { return WriteAll(m_file.Get(), text); }

  private:
    win32::UniqueHandle m_file;
};

class Win32RecordLock final : public RecordLock {
  public:
    explicit Win32RecordLock(win32::UniqueHandle file) : m_file(std::move(file)) {}

  private:
    win32::UniqueHandle m_file;  // closing it releases the lock
};

class Win32RecordFolder final : public RecordFolder {
  public:
    Win32RecordFolder() : m_path(FolderPath()) {}

    std::string Path() const override { return win32::Narrow(m_path); }

    std::unique_ptr<RecordFile> CreateNew(const std::string& name, std::string& why) override {
        win32::UniqueHandle file = Open(name, FILE_APPEND_DATA, CREATE_NEW, why);
        return file ? std::make_unique<Win32RecordFile>(std::move(file)) : nullptr;
    }

    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        HANDLE search = ::FindFirstFileW((m_path + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                names.push_back(win32::Narrow(found.cFileName));
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return names;
    }

    void Remove(const std::string& name) override { ::DeleteFileW(PathOf(name).c_str()); }

    std::unique_ptr<RecordLock> Lock(const std::string& name, std::string& why) override {
        win32::UniqueHandle file = Open(name, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, why);
        OVERLAPPED whole{};
        if (!file || !::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
            if (file) {
                why = LastErrorText();
            }
            return nullptr;
        }
        return std::make_unique<Win32RecordLock>(std::move(file));
    }

    std::optional<std::string> Read(const std::string& name) override {
        std::string why;
        win32::UniqueHandle file = Open(name, GENERIC_READ, OPEN_EXISTING, why);
        if (!file) {
            const DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? std::optional<std::string>("")
                       : std::nullopt;
        }
        std::string content;
        char chunk[4096];
        DWORD got = 0;
        while (::ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
            content.append(chunk, got);
        }
        return content;
    }

    bool Append(const std::string& name, std::string_view text) override {
        std::string why;
        win32::UniqueHandle file = Open(name, FILE_APPEND_DATA, OPEN_ALWAYS, why);
        return file && WriteAll(file.Get(), text);
    }

    bool Replace(const std::string& name, std::string_view text) override {
        std::string why;
        const std::string replacement = name + win32::Narrow(kReplacementSuffix);
        {
            win32::UniqueHandle file = Open(replacement, GENERIC_WRITE, CREATE_ALWAYS, why);
            if (!file || !WriteAll(file.Get(), text) || !::FlushFileBuffers(file.Get())) {
                file.Reset();
                Remove(replacement);
                return false;
            }
        }
        return ::MoveFileExW(PathOf(replacement).c_str(), PathOf(name).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    bool Show() override {
        std::string why;
        if (!MakeFolder(why)) {
            return false;
        }
        const auto opened = reinterpret_cast<INT_PTR>(
            ::ShellExecuteW(nullptr, L"open", m_path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        return opened > kShellExecuteErrorLimit;
    }

  private:
    std::wstring PathOf(const std::string& name) const {
        return m_path + L"\\" + win32::Widen(name);
    }

    // The folder, made where missing; false with the reason when it cannot be.
    bool MakeFolder(std::string& why) const {
        if (!::CreateDirectoryW(m_path.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            why = win32::Narrow(m_path) + ": " + LastErrorText();
            return false;
        }
        return true;
    }

    win32::UniqueHandle Open(const std::string& name, DWORD access, DWORD disposition,
                             std::string& why) {
        if (!MakeFolder(why)) {
            return win32::UniqueHandle();
        }
        win32::UniqueHandle file(
            ::CreateFileW(PathOf(name).c_str(), access, kShareAll, nullptr, disposition,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            why = name + ": " + LastErrorText();
            ::SetLastError(error);
        }
        return file;
    }

    const std::wstring m_path;
};

}  // namespace

RecordFolder& SystemRecordFolder() {
    static Win32RecordFolder folder;
    return folder;
}

}  // namespace rlq::platform
