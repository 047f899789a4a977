#pragma once
// The temporary-address half of the reply listener, as the update sequence uses it: add
// 10.10.1.1/255.0.0.0 on an interface (waiting for the routes) and take it off again.

#include <cstdint>
#include <functional>
#include <memory>

namespace rlq {

class TempAddressControl {
  public:
    virtual ~TempAddressControl() = default;
    // failed = 0 when the address was added and the route wait has been done, 1 when refused.
    virtual void AddTempAddress(std::uint32_t interfaceIndex, std::int32_t& failed) = 0;
    // Takes off the address that the last successful AddTempAddress added.
    virtual void DeleteTempAddress() = 0;
};

// Makes the object that the update phase of one run uses.
using TempAddressControlFactory = std::function<std::unique_ptr<TempAddressControl>()>;

}  // namespace rlq
