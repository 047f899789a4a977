#pragma once
// The version block and manifest data of the program; the Windows build writes its resources
// from these, and the about box and desktop entry use them too.

#include <string>
#include <string_view>

namespace rlq::res::version {

constexpr int kFileVersion[4] = {1, 34, 1, 6};  // file and product version 1.34.1.6
// "1.34.1.6"
inline std::string FileVersionText() {
    std::string text = std::to_string(kFileVersion[0]);
    for (int i = 1; i < 4; ++i) {
        text += '.';
        text += std::to_string(kFileVersion[i]);
    }
    return text;
}
constexpr unsigned kLanguage = 0x0411;  // Japanese
constexpr unsigned kCodePage = 932;
constexpr std::string_view kStringBlock = "041103a4";
constexpr std::string_view kComments = "RLQ-610AのファームウェアをVer.1.34/1.06に更新します。";
constexpr std::string_view kFileDescription = "RLQ firmware updater";
constexpr std::string_view kFileVersionText = "1.34";
constexpr std::string_view kInternalName = "RLQ610ATotalUpdater.exe";
constexpr std::string_view kOriginalFilename = "RLQ610ATotalUpdater.exe";
constexpr std::string_view kProductName = "RLQ";
constexpr std::string_view kProductVersionText = "1.34";
constexpr std::string_view kCompanyName = "RLQ Updater Project";
constexpr std::string_view kLegalCopyright = "Copyright (C) 2026 RLQ Updater Project";

namespace manifest {
constexpr std::string_view kIdentity = "Microsoft.Windows.RLQUpdater";
constexpr std::string_view kVersion = "1.0.0.0";
constexpr std::string_view kArchitecture = "X86";
constexpr std::string_view kType = "win32";
constexpr std::string_view kDescription = "アプリケーションの説明をここに挿入します。";
constexpr std::string_view kCommonControlsVersion = "6.0.0.0";
constexpr std::string_view kExecutionLevel = "requireAdministrator";
constexpr bool kUiAccess = false;
}  // namespace manifest

}  // namespace rlq::res::version
