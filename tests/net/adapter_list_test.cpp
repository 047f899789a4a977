#include "net/adapter_list.h"

#include <gtest/gtest.h>

#include "tests/doubles/host_network.h"

namespace rlq {
namespace {

using platform::AdapterRecord;
using platform::AdapterSnapshot;
using platform::InterfaceRow;

constexpr platform::PhysicalAddress kMacA{0x02, 0, 0, 0, 0, 0x0A};
constexpr platform::PhysicalAddress kMacB{0x02, 0, 0, 0, 0, 0x0B};

InterfaceRow Row(platform::PhysicalAddress mac, std::uint32_t type = platform::kIfTypeEthernet,
                 std::uint32_t state = platform::kOperOperational) {
    return {mac, type, state};
}

AdapterRecord Adapter(platform::PhysicalAddress mac, std::uint32_t index,
                      std::vector<MaskedAddress> addresses) {
    AdapterRecord adapter;
    adapter.physicalAddress = mac;
    adapter.interfaceIndex = index;
    adapter.addresses = std::move(addresses);
    return adapter;
}

class AdapterListTest : public ::testing::Test {
  protected:
    std::vector<AdapterEntry> Enumerate() {
        std::int32_t count = -1;
        const AdapterEntry* entries = nullptr;
        list.Enumerate(count, entries);
        EXPECT_NE(entries, nullptr);
        lastEntries = entries;
        return {entries, entries + count};
    }

    testing::EventLog log;
    testing::FakeHostNetwork host{log};
    CAdapterList list{host};
    const AdapterEntry* lastEntries = nullptr;
};

TEST_F(AdapterListTest, FillsEntriesFromAdapterAndKeepsAddressOrder) {
    AdapterRecord adapter = Adapter(kMacA, 7,
                                    {{MakeIpv4(192, 168, 1, 5), MakeIpv4(255, 255, 255, 0)},
                                     {MakeIpv4(192, 168, 2, 5), MakeIpv4(255, 255, 0, 0)},
                                     {MakeIpv4(10, 1, 2, 3), MakeIpv4(255, 0, 0, 0)}});
    adapter.dhcpEnabled = true;
    adapter.firstGateway = MakeIpv4(192, 168, 1, 1);
    host.snapshot = AdapterSnapshot{2, {adapter}, {Row(kMacB), Row(kMacA)}};

    const std::vector<AdapterEntry> entries = Enumerate();

    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].address, MakeIpv4(192, 168, 1, 5));
    EXPECT_EQ(entries[0].mask, MakeIpv4(255, 255, 255, 0));
    EXPECT_EQ(entries[0].gateway, MakeIpv4(192, 168, 1, 1));
    EXPECT_EQ(entries[0].dhcp, 1);
    EXPECT_EQ(entries[1].address, MakeIpv4(192, 168, 2, 5));
    EXPECT_EQ(entries[1].mask, MakeIpv4(255, 255, 0, 0));
    EXPECT_EQ(entries[2].address, MakeIpv4(10, 1, 2, 3));
    for (const AdapterEntry& entry : entries) {
        EXPECT_EQ(entry.interfaceIndex, 7u);
    }
}

TEST_F(AdapterListTest, SkipsUnassignedAndLoopbackAddresses) {
    host.snapshot = AdapterSnapshot{1,
                                    {Adapter(kMacA, 3,
                                             {{MakeIpv4(0, 0, 0, 0), MakeIpv4(0, 0, 0, 0)},
                                              {MakeIpv4(127, 0, 0, 1), MakeIpv4(255, 0, 0, 0)},
                                              {MakeIpv4(127, 0, 0, 2), MakeIpv4(255, 0, 0, 0)}})},
                                    {Row(kMacA)}};

    const std::vector<AdapterEntry> entries = Enumerate();

    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].address, MakeIpv4(127, 0, 0, 2));
    EXPECT_EQ(entries[0].dhcp, 0);
    EXPECT_EQ(entries[0].gateway, Ipv4{});
}

TEST_F(AdapterListTest, NeedsAnEthernetRowInAUsableState) {
    const std::vector<MaskedAddress> one{{MakeIpv4(192, 168, 0, 5), MakeIpv4(255, 255, 255, 0)}};
    struct Case {
        InterfaceRow row;
        bool accepted;
    };
    const Case cases[] = {
        {Row(kMacA, platform::kIfTypeIeee80211), false},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperNonOperational), false},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperUnreachable), false},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperDisconnected), false},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperConnecting), true},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperConnected), true},
        {Row(kMacA, platform::kIfTypeEthernet, platform::kOperOperational), true},
        {Row(kMacB), false},
    };
    for (const Case& c : cases) {
        host.snapshot = AdapterSnapshot{1, {Adapter(kMacA, 3, one)}, {c.row}};
        EXPECT_EQ(Enumerate().size(), c.accepted ? 1u : 0u)
            << "type " << c.row.type << " state " << c.row.operStatus;
    }
}

TEST_F(AdapterListTest, ScanPassesOverFailingRowsToALaterMatch) {
    host.snapshot = AdapterSnapshot{
        3,
        {Adapter(kMacA, 3, {{MakeIpv4(192, 168, 0, 5), MakeIpv4(255, 255, 255, 0)}})},
        {Row(kMacA, platform::kIfTypeOther), Row(kMacA, platform::kIfTypeEthernet, 2), Row(kMacA)}};

    EXPECT_EQ(Enumerate().size(), 1u);
    // The report names the row the search went by, as a bridge and its port would share a MAC.
    ASSERT_EQ(list.Report().size(), 1u);
    EXPECT_TRUE(list.Report()[0].usable);
    EXPECT_EQ(list.Report()[0].type, platform::kIfTypeEthernet);
    EXPECT_EQ(list.Report()[0].operStatus, platform::kOperOperational);
}

TEST_F(AdapterListTest, StopsAtTenEntriesPerInterface) {
    std::vector<MaskedAddress> many;
    for (int i = 1; i <= 12; ++i) {
        many.push_back({MakeIpv4(192, 168, 0, static_cast<std::uint8_t>(i)), PrefixMask(24)});
    }
    host.snapshot =
        AdapterSnapshot{1, {Adapter(kMacA, 3, many), Adapter(kMacA, 4, many)}, {Row(kMacA)}};

    const std::vector<AdapterEntry> entries = Enumerate();

    ASSERT_EQ(entries.size(), 10u);
    EXPECT_EQ(entries[9].address, MakeIpv4(192, 168, 0, 10));
    EXPECT_EQ(entries[9].interfaceIndex, 3u);
}

TEST_F(AdapterListTest, FailureOrNoInterfacesGiveOneZeroEntry) {
    const std::optional<AdapterSnapshot> cases[] = {
        std::nullopt,
        AdapterSnapshot{
            0,
            {Adapter(kMacA, 3, {{MakeIpv4(192, 168, 0, 5), MakeIpv4(255, 255, 255, 0)}})},
            {Row(kMacA)}}};
    for (const auto& snapshot : cases) {
        host.snapshot = snapshot;
        EXPECT_TRUE(Enumerate().empty());
        const AdapterEntry& zero = lastEntries[0];
        EXPECT_EQ(zero, AdapterEntry{});
    }
}

TEST_F(AdapterListTest, SecondEnumerateReplacesTheFirst) {
    host.snapshot = AdapterSnapshot{
        1,
        {Adapter(kMacA, 3, {{MakeIpv4(192, 168, 0, 5), MakeIpv4(255, 255, 255, 0)}})},
        {Row(kMacA)}};
    ASSERT_EQ(Enumerate().size(), 1u);

    host.snapshot->adapters[0].addresses.push_back(
        {MakeIpv4(192, 168, 0, 6), MakeIpv4(255, 255, 255, 0)});
    const std::vector<AdapterEntry> second = Enumerate();

    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1].address, MakeIpv4(192, 168, 0, 6));
}

}  // namespace
}  // namespace rlq
