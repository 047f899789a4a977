#pragma once
// Ownership of registry keys.

#include <windows.h>

#include <utility>

namespace rlq::platform::win32 {

class UniqueKey {
  public:
    UniqueKey() = default;
    explicit UniqueKey(HKEY key) : m_key(key) {}
    ~UniqueKey() { Reset(); }
    UniqueKey(UniqueKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    UniqueKey& operator=(UniqueKey&& other) noexcept {
        if (this != &other) {
            Reset();
            m_key = std::exchange(other.m_key, nullptr);
        }
        return *this;
    }

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }
    void Reset() {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
        m_key = nullptr;
    }

  private:
    HKEY m_key = nullptr;
};

}  // namespace rlq::platform::win32
