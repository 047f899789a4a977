#pragma once
// The run log's words: one plain-text line for each event of a run, in the run's log file. It
// never holds firmware bytes.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/log_file.h"
#include "app/program_events.h"
#include "firmware/transfer_events.h"
#include "net/net_events.h"
#include "platform/record_folder.h"
#include "workflow/sequence_events.h"

namespace rlq {

class RunLog final : public NetObserver,
                     public TransferObserver,
                     public SequenceObserver,
                     public ProgramObserver {
  public:
    // `echo`: the console's --verbose; see LogFile for both callbacks.
    RunLog(platform::RecordFolder& folder, std::chrono::system_clock::time_point start,
           RecordFailure onFailure, LogEcho echo = {});

    void RunStarted(const RunStart& start) override;
    void LeftoverAddressRemoved(const std::string& interfaceName) override;
    void InstanceNameHeld(std::string_view name, const platform::ProcessIdentity& holder) override;
    void SearchStarted(Unit unit) override;
    void AdaptersSeen(const std::vector<AdapterReport>& adapters) override;
    void SearchShown(const SearchTexts& texts) override;
    void PassStarted(const DiscoveryPass& pass) override;
    void PassEnded(const DiscoveryPass& pass, int requestsSent,
                   const RefusedSends& refused) override;
    void ReplyReceived(const ReceivedReply& reply) override;
    void ReplySocketRefused(Ipv4 localAddress, std::uint32_t interfaceIndex) override;
    void DiscoveryEventsDropped(std::size_t count) override;
    void SearchGivenUp(const SearchTexts& texts) override;
    void SearchDiagnosed(Unit unit, const SearchDiagnosis& diagnosis) override;
    void SearchEnded(Unit unit, Ipv4 unitAddress, std::uint16_t version,
                     bool viaTempAddress) override;
    void TempAddressAdded(std::uint32_t interfaceIndex) override;
    void TempAddressRefused(std::uint32_t interfaceIndex) override;
    void TempAddressRemoved() override;
    void VersionShown(Unit unit, std::uint16_t unitVersion, std::uint16_t carried) override;
    void UnitAddressShown(Unit unit, Ipv4 address) override;
    void Progress(Unit unit, std::uint32_t done, std::uint32_t total) override;
    void HttpRequestEnded(Ipv4 address, std::string_view path, std::uint32_t status,
                          std::string_view errorText, std::chrono::milliseconds took) override;
    void TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                   std::chrono::milliseconds took) override;
    void MessageShown(int textId, std::string_view caption, std::string_view text) override;
    void Offered(OfferedButton button) override;
    void RunEnded(SequenceOutcome outcome) override;
    void ProgramEnded(int status, std::string_view outcome) override;

  private:
    void Line(const std::string& text);

    LogFile m_file;
    int m_lastPercent[2] = {-1, -1};
};

}  // namespace rlq
