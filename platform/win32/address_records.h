#pragma once
// The records of the temporary addresses this program adds, one registry value each under a
// volatile key: Windows drops the key when it shuts down, which is when an address added through
// IP Helper goes too. Under HKEY_LOCAL_MACHINE, for the address belongs to the machine and stays
// after its user logs off, when a key of HKEY_CURRENT_USER would be unloaded.

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "platform/support/leftover_address_plan.h"

namespace rlq::platform::win32 {

class AddressRecords {
  public:
    // The records under `root`\`path`, each key on the path made volatile where missing.
    AddressRecords(HKEY root, std::wstring path);

    // The new record's name; nullopt when it could not be written.
    std::optional<std::string> Add(const AddressAddRecord& record);
    bool Replace(const std::string& name, const AddressAddRecord& record);
    void Remove(const std::string& name);
    // Every record that reads as one.
    std::vector<NamedAddRecord> Read();

  private:
    HKEY m_root;
    std::wstring m_path;
    std::atomic<std::uint32_t> m_added{0};
};

// HKEY_LOCAL_MACHINE\SOFTWARE\RLQ610ATotalUpdater\TempAddresses.
AddressRecords& SystemAddressRecords();

}  // namespace rlq::platform::win32
