#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "net/tftp.h"
#include "platform/support/buffered_temp_file.h"
#include "platform/temp_file.h"
#include "platform/win32/handle.h"
#include "platform/win32/wide_text.h"
#include "tests/doubles/udp_socket.h"
#include "tests/support/tftp_test_support.h"
#include "tests/win32/wine.h"

namespace rlq::platform {
namespace {

using namespace std::chrono_literals;

// An id that no process has: far above any Windows or Wine hands out.
constexpr std::uint32_t kNoSuchProcess = 0xFFFFFFF0;

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesW(win32::Widen(path).c_str());
}

// Opening `path` for writing as another program would, sharing everything.
win32::UniqueHandle OpenForWriting(const std::string& path) {
    return win32::UniqueHandle(::CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                             nullptr));
}

// Runs `application` with `folder` as its current directory and waits for its end. The handle of
// the ended process keeps its id from being given to another.
win32::UniqueHandle RunToEnd(const wchar_t* application, std::wstring commandLine,
                             const std::string& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW, nullptr, win32::Widen(folder).c_str(), &startup,
                          &started)) {
        return {};
    }
    ::CloseHandle(started.hThread);
    win32::UniqueHandle process(started.hProcess);
    ::WaitForSingleObject(process.Get(), 10000);
    return process;
}

// A process that has ended, by the system's command interpreter.
win32::UniqueHandle EndedProcess(const std::string& folder) {
    wchar_t system[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring interpreter = std::wstring(system, length) + L"\\cmd.exe";
    return RunToEnd(interpreter.c_str(), L"cmd.exe /c exit 0", folder);
}

// Wine starts a Unix program as it is but hands back no handle to wait on: this waits up to 5 s
// for the effect, whether the link at `path` exists.
void RunUnixUntil(const wchar_t* program, const std::string& commandLine, const std::string& folder,
                  const std::string& path, bool exists) {
    RunToEnd(program, win32::Widen(commandLine), folder);
    for (int i = 0; i < 100 && (Attributes(path) != INVALID_FILE_ATTRIBUTES) != exists; ++i) {
        ::Sleep(50);
    }
}

// A directory symbolic link `name` in `folder` to its subfolder `target`. Wine's
// CreateSymbolicLinkW makes nothing; Wine shows a Unix link to a folder as a reparse point, so
// there the link is made by the Unix `ln`.
void MakeFolderLink(const std::string& folder, const std::string& name, const std::string& target) {
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const std::string link = folder + "\\" + name;
    ::CreateSymbolicLinkW(win32::Widen(link).c_str(), win32::Widen(target).c_str(),
                          SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
    if (Attributes(link) == INVALID_FILE_ATTRIBUTES && testing::RunningUnderWine()) {
        RunUnixUntil(L"Z:\\bin\\ln", "ln -s " + target + " " + name, folder, link, true);
    }
}

// Wine removes such a link neither as a folder nor as a file.
void RemoveFolderLink(const std::string& folder, const std::string& name) {
    const std::string link = folder + "\\" + name;
    if (!::RemoveDirectoryW(win32::Widen(link).c_str()) &&
        Attributes(link) != INVALID_FILE_ATTRIBUTES && testing::RunningUnderWine()) {
        RunUnixUntil(L"Z:\\bin\\rm", "rm -f " + name, folder, link, false);
    }
}

// A fresh folder whose name is not ASCII, as a Japanese user's profile folder is.
class Win32TempFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder = SystemTempFiles().SystemTempFolder() + "\\rlq-一時-" +
                   std::to_string(::GetCurrentProcessId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(::CreateDirectoryW(win32::Widen(m_folder).c_str(), nullptr));
    }
    void TearDown() override { ::RemoveDirectoryW(win32::Widen(m_folder).c_str()); }

    static std::vector<std::uint8_t> ReadBack(const std::string& path) {
        std::vector<std::uint8_t> content;
        const ReadOnlyFile file = SystemTempFiles().OpenForReading(path);
        if (!file) {
            return content;
        }
        for (int c; (c = std::fgetc(file.get())) != EOF;) {
            content.push_back(static_cast<std::uint8_t>(c));
        }
        return content;
    }

    std::string m_folder;
};

TEST_F(Win32TempFileTest, WritesEveryByteUnderAFreshHiddenName) {
    auto& files = SystemTempFiles();
    auto file = files.CreateIn(m_folder);
    ASSERT_NE(file, nullptr);
    const std::string path = file->Path();
    EXPECT_EQ(path.rfind(m_folder + "\\.rlq-", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".tmp");

    // More than one buffer's worth, so the buffer is written out on the way.
    std::vector<std::uint8_t> written;
    for (int i = 0; i < 150000; ++i) {
        written.push_back(static_cast<std::uint8_t>(i * 7));
        ASSERT_TRUE(file->Put(written.back()));
    }
    EXPECT_TRUE(file->Close());
    file.reset();
    EXPECT_EQ(ReadBack(path), written);

    auto second = files.CreateIn(m_folder);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second->Path(), path);
    EXPECT_TRUE(second->Close());

    files.Remove(path);
    files.Remove(second->Path());
    files.Remove(path);  // a missing file is ignored
    EXPECT_EQ(files.OpenForReading(path), nullptr);
}

TEST_F(Win32TempFileTest, AFileOpenForReadingRefusesWritersButNotReaders) {
    auto& files = SystemTempFiles();
    auto written = files.CreateIn(m_folder);
    ASSERT_NE(written, nullptr);
    const std::string path = written->Path();
    ASSERT_TRUE(written->Put('x') && written->Close());
    {
        const ReadOnlyFile reading = files.OpenForReading(path);
        ASSERT_NE(reading, nullptr);
        EXPECT_FALSE(OpenForWriting(path));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(ReadBack(path), std::vector<std::uint8_t>{'x'});
    }
    EXPECT_TRUE(OpenForWriting(path));
    files.Remove(path);
}

// What only matches the name, a folder or a link, is kept whatever its owner, and so is the file
// of a process that runs; the files of an ended process and of an id no process has go.
TEST_F(Win32TempFileTest, SweepRemovesOnlyTheFilesOfProcessesThatAreGone) {
    const win32::UniqueHandle ended = EndedProcess(m_folder);
    ASSERT_TRUE(ended);
    ASSERT_EQ(::WaitForSingleObject(ended.Get(), 0), WAIT_OBJECT_0);
    const auto named = [&](std::uint32_t owner, unsigned long long random) {
        return m_folder + "\\" + TempFileName(owner, random);
    };
    const std::string endedFile = named(::GetProcessId(ended.Get()), 1);
    const std::string goneFile = named(kNoSuchProcess, 2);
    const std::string liveFile = named(::GetCurrentProcessId(), 3);
    const std::string folder = named(kNoSuchProcess, 4);
    const std::string link = named(kNoSuchProcess, 5);
    const std::string target = m_folder + "\\target";
    const std::string kept = target + "\\" + TempFileName(kNoSuchProcess, 6);
    // Whatever fails, the fixture's folder is left empty: Wine gives a later run the same id.
    struct Cleanup {
        std::string owner;
        std::vector<std::string> files, folders;
        ~Cleanup() {
            RemoveFolderLink(owner, TempFileName(kNoSuchProcess, 5));
            for (const std::string& file : files) {
                ::DeleteFileW(win32::Widen(file).c_str());
            }
            for (const std::string& folder : folders) {
                ::RemoveDirectoryW(win32::Widen(folder).c_str());
            }
        }
    } cleanup{m_folder, {endedFile, goneFile, liveFile, kept}, {target, folder}};
    ASSERT_TRUE(::CreateDirectoryW(win32::Widen(folder).c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(win32::Widen(target).c_str(), nullptr));
    for (const std::string& file : {endedFile, goneFile, liveFile, kept}) {
        ASSERT_TRUE(win32::UniqueHandle(::CreateFileW(win32::Widen(file).c_str(), GENERIC_WRITE, 0,
                                                      nullptr, CREATE_NEW, 0, nullptr)));
    }
    MakeFolderLink(m_folder, TempFileName(kNoSuchProcess, 5), "target");
    ASSERT_NE(Attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << "no link was made";

    SystemTempFiles().RemoveLeftovers(m_folder);

    EXPECT_EQ(Attributes(endedFile), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(goneFile), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(Attributes(liveFile), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(Attributes(folder) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(Attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_NE(Attributes(kept), INVALID_FILE_ATTRIBUTES);  // nothing is followed
}

// The firmware file the TFTP transfer reads refuses another writer for as long as the transfer
// holds it, and takes one again once it has ended.
TEST_F(Win32TempFileTest, TftpTransferKeepsOtherWritersOffTheFile) {
    auto written = SystemTempFiles().CreateIn(m_folder);
    ASSERT_NE(written, nullptr);
    const std::string path = written->Path();
    const auto content = testing::PatternBytes(1500);
    for (const std::uint8_t byte : content) {
        ASSERT_TRUE(written->Put(byte));
    }
    ASSERT_TRUE(written->Close());

    std::vector<DWORD> writerErrors;  // one for each data block, taken as it goes out
    testing::FakeUdpSockets sockets([&](const testing::SentDatagram& sent) {
        if (sent.data.size() > 4 && sent.data[1] == 3) {
            const win32::UniqueHandle writer = OpenForWriting(path);
            writerErrors.push_back(writer ? ERROR_SUCCESS : ::GetLastError());
        }
        return std::vector<testing::IncomingDatagram>{
            {testing::AckPacket(testing::BlockOf(sent.data)), MakeIpv4(10, 255, 255, 237), 50123}};
    });
    CTftp tftp(sockets, SystemTempFiles());
    std::int32_t error = -1;
    tftp.StartUpload(MakeIpv4(10, 255, 255, 237), path, 1500, &error);
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(tftp.WaitWhileRunning(30s));

    EXPECT_EQ(writerErrors, std::vector<DWORD>(3, ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(OpenForWriting(path));
    SystemTempFiles().Remove(path);
}

TEST_F(Win32TempFileTest, NothingIsCreatedInAMissingFolder) {
    EXPECT_EQ(SystemTempFiles().CreateIn(m_folder + "\\missing"), nullptr);
}

TEST(Win32TempFolderTest, SystemFolderExistsWithoutTrailingSeparator) {
    const std::string folder = SystemTempFiles().SystemTempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    const DWORD attributes = ::GetFileAttributesW(win32::Widen(folder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

}  // namespace
}  // namespace rlq::platform
