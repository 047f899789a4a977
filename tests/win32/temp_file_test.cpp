#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/temp_file.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

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
    const std::wstring widePath = win32::Widen(path);
    const auto openForWriting = [&] {
        return ::CreateFileW(widePath.c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    {
        const ReadOnlyFile reading = files.OpenForReading(path);
        ASSERT_NE(reading, nullptr);
        EXPECT_EQ(openForWriting(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(ReadBack(path), std::vector<std::uint8_t>{'x'});
    }
    const HANDLE writer = openForWriting();
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    ::CloseHandle(writer);
    files.Remove(path);
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
