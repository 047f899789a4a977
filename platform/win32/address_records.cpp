#include "platform/win32/address_records.h"

#include <algorithm>

#include "platform/win32/program_name.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/wide_text.h"

namespace rlq::platform::win32 {
namespace {

// A record's bytes and a value name of ours fit well within these.
constexpr DWORD kValueNameCapacity = 64;
constexpr DWORD kValueCapacity = 64;

// Each key on the path, one level at a time, so that every level made here is volatile.
UniqueKey OpenVolatile(HKEY root, const std::wstring& path) {
    UniqueKey key;
    HKEY parent = root;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        HKEY opened = nullptr;
        if (::RegCreateKeyExW(parent, path.substr(start, end - start).c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &opened,
                              nullptr) != ERROR_SUCCESS) {
            return UniqueKey();
        }
        key = UniqueKey(opened);
        parent = opened;
        start = end + 1;
    }
    return key;
}

bool Write(HKEY key, const std::string& name, const AddressAddRecord& record) {
    const std::vector<std::uint8_t> bytes = EncodeAddressAddRecord(record);
    return ::RegSetValueExW(key, Widen(name).c_str(), 0, REG_BINARY, bytes.data(),
                            static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

}  // namespace

AddressRecords::AddressRecords(HKEY root, std::wstring path)
    : m_root(root), m_path(std::move(path)) {}

std::optional<std::string> AddressRecords::Add(const AddressAddRecord& record) {
    const UniqueKey key = OpenVolatile(m_root, m_path);
    const std::string name = std::to_string(record.holder.id) + "-" +
                             std::to_string(record.holder.creationTime) + "-" +
                             std::to_string(++m_added);
    if (!key || !Write(key.get(), name, record)) {
        return std::nullopt;
    }
    return name;
}

bool AddressRecords::Replace(const std::string& name, const AddressAddRecord& record) {
    const UniqueKey key = OpenVolatile(m_root, m_path);
    return key && Write(key.get(), name, record);
}

void AddressRecords::Remove(const std::string& name) {
    if (const UniqueKey key = OpenVolatile(m_root, m_path); key) {
        ::RegDeleteValueW(key.get(), Widen(name).c_str());
    }
}

std::vector<NamedAddRecord> AddressRecords::Read() {
    std::vector<NamedAddRecord> records;
    const UniqueKey key = OpenVolatile(m_root, m_path);
    for (DWORD i = 0; key; ++i) {
        wchar_t name[kValueNameCapacity];
        DWORD nameLength = kValueNameCapacity;
        DWORD type = 0;
        std::vector<std::uint8_t> bytes(kValueCapacity);
        auto size = static_cast<DWORD>(bytes.size());
        const LSTATUS status =
            ::RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, bytes.data(), &size);
        if (status == ERROR_MORE_DATA) {
            continue;  // no value of ours is that long
        }
        if (status != ERROR_SUCCESS) {
            break;
        }
        bytes.resize(size);
        if (const auto record = DecodeAddressAddRecord(bytes); record && type == REG_BINARY) {
            records.push_back({Narrow(std::wstring_view(name, nameLength)), *record});
        }
    }
    return records;
}

AddressRecords& SystemAddressRecords() {
    static AddressRecords records(HKEY_LOCAL_MACHINE,
                                  std::wstring(L"SOFTWARE\\") + kProgramName + L"\\TempAddresses");
    return records;
}

}  // namespace rlq::platform::win32
