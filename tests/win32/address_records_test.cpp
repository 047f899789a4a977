// The records against Wine's registry and processes, and the sweep against its adapters. Nothing
// here adds or deletes an address: every record names a handle no adapter has.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/temp_address.h"
#include "platform/win32/adapter_info.h"
#include "platform/win32/address_records.h"
#include "platform/win32/process_stamp.h"
#include "platform/win32/recorded_address_lease.h"
#include "platform/win32/registry_key.h"

namespace rlq::platform::win32 {
namespace {

constexpr MaskedAddress kTemp{kTempAddress, kTempMask};
// Process ids are multiples of four, and none comes near this one.
constexpr ProcessStamp kMadeUpHolder{0x7FFFFFF0, 0x01DB'0000'0000'0000};

// A store of the test's own beside the program's, gone with the test.
class AddressRecordsTest : public ::testing::Test {
  protected:
    ~AddressRecordsTest() override {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, (kParent + L"\\TempAddresses").c_str());
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kParent.c_str());
    }

    const std::wstring kParent =
        L"SOFTWARE\\RLQ610ATotalUpdater.Test-" + std::to_wstring(::GetCurrentProcessId());
    AddressRecords m_records{HKEY_LOCAL_MACHINE, kParent + L"\\TempAddresses"};
};

// A handle that no adapter's address has now.
std::uint32_t UnheldContext() {
    std::uint32_t highest = 0;
    const auto list = AdapterInfoList::Read();
    for (const IP_ADAPTER_INFO* adapter = list ? list->First() : nullptr; adapter != nullptr;
         adapter = adapter->Next) {
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr;
             entry = entry->Next) {
            highest = std::max<std::uint32_t>(highest, entry->Context);
        }
    }
    return highest + 1;
}

TEST_F(AddressRecordsTest, RecordReadsBackBeforeAndAfterItsHandleIsWritten) {
    AddressAddRecord record{CurrentProcessStamp(), 7, kTemp, std::nullopt};
    const auto name = m_records.Add(record);
    ASSERT_TRUE(name.has_value());
    EXPECT_NE(m_records.Add(record), name) << "a second add of the same process";
    std::vector<NamedAddRecord> read = m_records.Read();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, *name);
    EXPECT_EQ(read[0].record, record);

    record.context = 0xFFFFFFFF;
    ASSERT_TRUE(m_records.Replace(*name, record));
    m_records.Remove(read[1].name);
    read = m_records.Read();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].record, record);
    m_records.Remove(*name);
    EXPECT_TRUE(m_records.Read().empty());
}

TEST_F(AddressRecordsTest, ValuesThatAreNoRecordAreSkipped) {
    ASSERT_TRUE(m_records.Add({kMadeUpHolder, 7, kTemp, 3}));
    HKEY raw = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kParent + L"\\TempAddresses").c_str(), 0,
                              KEY_WRITE, &raw),
              ERROR_SUCCESS);
    const UniqueKey key(raw);
    const wchar_t text[] = L"10.10.1.1/8 x";  // as many bytes as a record
    ::RegSetValueExW(key.get(), L"short", 0, REG_BINARY, reinterpret_cast<const BYTE*>(text), 8);
    ::RegSetValueExW(key.get(), L"text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     sizeof text);
    const std::vector<NamedAddRecord> read = m_records.Read();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].record.holder, kMadeUpHolder);
}

// Windows drops a volatile key at shut-down and refuses it a lasting child.
TEST_F(AddressRecordsTest, EveryKeyTheStoreMakesIsVolatile) {
    ASSERT_TRUE(m_records.Add({kMadeUpHolder, 7, kTemp, std::nullopt}));
    for (const std::wstring& made : {kParent, kParent + L"\\TempAddresses"}) {
        HKEY child = nullptr;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (made + L"\\lasting").c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &child, nullptr),
                  ERROR_CHILD_MUST_BE_VOLATILE);
        UniqueKey owned(child);
    }
}

TEST(ProcessStampTest, AProcessHasEndedUnlessItsIdAndCreationTimeAreRunning) {
    const ProcessStamp self = CurrentProcessStamp();
    ASSERT_NE(self.creationTime, 0u);
    const struct {
        const char* what;
        ProcessStamp stamp;
        bool ended;
    } rows[] = {
        {"this process", self, false},
        {"its id, reused by a later process", {self.id, self.creationTime + 1}, true},
        {"an id no process has", kMadeUpHolder, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ProcessHasEnded(row.stamp), row.ended) << row.what;
    }
}

TEST_F(AddressRecordsTest, SweepDropsTheRecordsThatNameNothingAndKeepsARunningHolders) {
    const std::uint32_t unheld = UnheldContext();
    const MaskedAddress other{MakeIpv4(192, 168, 0, 1), PrefixMask(24)};
    const struct {
        const char* what;
        AddressAddRecord record;
        bool kept;
    } rows[] = {
        {"an ended holder's address that is gone", {kMadeUpHolder, 7, kTemp, unheld}, false},
        {"an ended holder killed before its add", {kMadeUpHolder, 7, kTemp, std::nullopt}, false},
        {"this process's", {CurrentProcessStamp(), 7, kTemp, unheld}, true},
        {"an ended holder's of another address", {kMadeUpHolder, 7, other, unheld}, true},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(m_records.Add(row.record)) << row.what;
    }
    EXPECT_TRUE(RemoveRecordedLeftovers(m_records, kTemp).empty());
    const std::vector<NamedAddRecord> left = m_records.Read();
    for (const auto& row : rows) {
        EXPECT_EQ(
            std::any_of(left.begin(), left.end(),
                        [&](const NamedAddRecord& kept) { return kept.record == row.record; }),
            row.kept)
            << row.what;
    }
}

}  // namespace
}  // namespace rlq::platform::win32
