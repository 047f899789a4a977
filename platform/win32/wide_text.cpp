#include "platform/win32/wide_text.h"

#include <windows.h>

namespace rlq::platform::win32 {

namespace {

std::wstring WidenFrom(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    return WidenFrom(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf16.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::size_t SystemCodePageLength(std::string_view utf8) {
    const std::wstring wide = Widen(utf8);
    if (wide.empty()) {
        return 0;
    }
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
    return static_cast<std::size_t>(length > 0 ? length : 0);
}

std::string FromSystemCodePage(std::string_view text) {
    return Narrow(WidenFrom(CP_ACP, text));
}

}  // namespace rlq::platform::win32
