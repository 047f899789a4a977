#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform {
namespace {

std::string UniqueName(const char* what) {
    return std::string("RLQUpdaterTest.") + what + "." + std::to_string(::GetCurrentProcessId());
}

TEST(Win32ProcessTest, SecondClaimOfTheNameIsRefusedUntilTheFirstEnds) {
    auto& process = SystemProcess();
    const std::string name = UniqueName("single");
    auto first = process.ClaimSingleInstance(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(process.ClaimSingleInstance(name), nullptr);
    EXPECT_NE(process.ClaimSingleInstance(UniqueName("other")), nullptr);
    first.reset();
    EXPECT_NE(process.ClaimSingleInstance(name), nullptr);
}

// A name the program cannot hold a mutex under (here an event's) must not leave it unguarded.
TEST(Win32ProcessTest, ClaimIsRefusedWhenTheNameIsTakenByAnotherKindOfObject) {
    const std::string name = UniqueName("event");
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, win32::Widen(name).c_str());
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(SystemProcess().ClaimSingleInstance(name), nullptr);
    ::CloseHandle(event);
}

TEST(Win32ProcessTest, ProgramPathIsTheExecutableWithBackslashes) {
    auto& process = SystemProcess();
    const auto path = process.ProgramPath();
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(process.PathSeparator(), '\\');
    EXPECT_NE(path->rfind('\\'), std::string::npos);
    ASSERT_GT(path->size(), 4u);
    std::string extension = path->substr(path->size() - 4);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(extension, ".exe");
}

TEST(Win32ProcessTest, CurrentDirectoryTakesAUtf8Path) {
    auto& process = SystemProcess();
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::string folder =
        win32::Narrow(temp) + "rlq-ディレクトリ-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(win32::Widen(folder).c_str(), nullptr));
    wchar_t before[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, before);

    EXPECT_TRUE(process.SetCurrentDirectory(folder));
    wchar_t now[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, now);
    EXPECT_EQ(win32::Narrow(now), folder);
    EXPECT_FALSE(process.SetCurrentDirectory(folder + "\\missing"));

    ::SetCurrentDirectoryW(before);
    ::RemoveDirectoryW(win32::Widen(folder).c_str());
}

TEST(Win32ProcessTest, SocketsStartAndAddressesMayChange) {
    auto& process = SystemProcess();
    EXPECT_TRUE(process.StartSockets());
    EXPECT_TRUE(process.StartSockets());  // a second start is harmless
    EXPECT_TRUE(process.MayChangeAddresses());
}

}  // namespace
}  // namespace rlq::platform
