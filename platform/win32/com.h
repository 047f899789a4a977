#pragma once
// Ownership of COM's set-up on a thread, of BSTRs and of VARIANTs; interface pointers are
// Microsoft::WRL::ComPtr.

#include <objbase.h>
#include <oleauto.h>

#include <string_view>

namespace rlq::platform::win32 {

// COM on this thread for the object's life. A thread already set up for the other apartment
// model (RPC_E_CHANGED_MODE) uses COM as it is, and keeps its set-up: only a call that
// succeeded is undone.
class ComApartment {
  public:
    ComApartment() : m_result(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(m_result)) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool Usable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }

  private:
    HRESULT m_result;
};

class UniqueBstr {
  public:
    UniqueBstr() = default;
    ~UniqueBstr() { ::SysFreeString(m_text); }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;

    // For a call that returns one; a method may leave it null.
    BSTR* Out() {
        ::SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    std::wstring_view View() const {
        return m_text == nullptr ? std::wstring_view{}
                                 : std::wstring_view(m_text, ::SysStringLen(m_text));
    }

  private:
    BSTR m_text = nullptr;
};

class UniqueVariant {
  public:
    UniqueVariant() { ::VariantInit(&m_value); }
    ~UniqueVariant() { ::VariantClear(&m_value); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;

    VARIANT* Out() {
        ::VariantClear(&m_value);
        return &m_value;
    }
    const VARIANT& Get() const { return m_value; }

  private:
    VARIANT m_value;
};

}  // namespace rlq::platform::win32
