#pragma once
// Ownership of kernel handles.

#include <windows.h>

#include <utility>

namespace rlq::platform::win32 {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : m_handle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const {
        return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE;
    }
    void Reset() {
        if (*this) {
            ::CloseHandle(m_handle);
        }
        m_handle = nullptr;
    }

  private:
    HANDLE m_handle = nullptr;
};

}  // namespace rlq::platform::win32
