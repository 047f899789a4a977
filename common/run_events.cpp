#include "common/run_events.h"

namespace rlq {
namespace {

template <typename... Params, typename... Args>
void Each(const std::vector<RunObserver*>& listeners, void (RunObserver::*event)(Params...),
          const Args&... args) {
    for (RunObserver* listener : listeners) {
        (listener->*event)(args...);
    }
}

}  // namespace

void RunEvents::RunStarted(const RunStart& start) {
    Each(m_listeners, &RunObserver::RunStarted, start);
}
void RunEvents::LeftoverAddressRemoved(const std::string& interfaceName) {
    Each(m_listeners, &RunObserver::LeftoverAddressRemoved, interfaceName);
}
void RunEvents::SearchStarted(std::int32_t kind) {
    Each(m_listeners, &RunObserver::SearchStarted, kind);
}
void RunEvents::AdaptersSeen(const std::vector<AdapterReport>& adapters) {
    Each(m_listeners, &RunObserver::AdaptersSeen, adapters);
}
void RunEvents::SearchShown(const SearchTexts& texts) {
    Each(m_listeners, &RunObserver::SearchShown, texts);
}
void RunEvents::PassStarted(const DiscoveryPass& pass) {
    Each(m_listeners, &RunObserver::PassStarted, pass);
}
void RunEvents::PassEnded(const DiscoveryPass& pass, int requestsSent) {
    Each(m_listeners, &RunObserver::PassEnded, pass, requestsSent);
}
void RunEvents::ReplyReceived(const ReceivedReply& reply) {
    Each(m_listeners, &RunObserver::ReplyReceived, reply);
}
void RunEvents::SearchGivenUp(const SearchTexts& texts) {
    Each(m_listeners, &RunObserver::SearchGivenUp, texts);
}
void RunEvents::SearchEnded(std::int32_t kind, Ipv4 unitAddress, std::uint16_t version,
                            bool viaTempAddress) {
    Each(m_listeners, &RunObserver::SearchEnded, kind, unitAddress, version, viaTempAddress);
}
void RunEvents::TempAddressAdded(std::uint32_t interfaceIndex) {
    Each(m_listeners, &RunObserver::TempAddressAdded, interfaceIndex);
}
void RunEvents::TempAddressRefused(std::uint32_t interfaceIndex) {
    Each(m_listeners, &RunObserver::TempAddressRefused, interfaceIndex);
}
void RunEvents::TempAddressRemoved() {
    Each(m_listeners, &RunObserver::TempAddressRemoved);
}
void RunEvents::VersionShown(int slot, std::uint16_t unitVersion, std::uint16_t carried) {
    Each(m_listeners, &RunObserver::VersionShown, slot, unitVersion, carried);
}
void RunEvents::UnitAddressShown(int slot, Ipv4 address) {
    Each(m_listeners, &RunObserver::UnitAddressShown, slot, address);
}
void RunEvents::Progress(int slot, std::uint32_t done, std::uint32_t total) {
    Each(m_listeners, &RunObserver::Progress, slot, done, total);
}
void RunEvents::HttpRequestEnded(std::string_view url, std::uint32_t status,
                                 std::string_view errorText, std::chrono::milliseconds took) {
    Each(m_listeners, &RunObserver::HttpRequestEnded, url, status, errorText, took);
}
void RunEvents::TftpEnded(std::uint32_t blocks, std::uint32_t retransmissions, std::uint32_t bytes,
                          std::chrono::milliseconds took) {
    Each(m_listeners, &RunObserver::TftpEnded, blocks, retransmissions, bytes, took);
}
void RunEvents::MessageShown(int textId, std::string_view caption, std::string_view text) {
    Each(m_listeners, &RunObserver::MessageShown, textId, caption, text);
}
void RunEvents::Offered(OfferedButton button) {
    Each(m_listeners, &RunObserver::Offered, button);
}
void RunEvents::RunEnded(SequenceOutcome outcome) {
    Each(m_listeners, &RunObserver::RunEnded, outcome);
}

void RunEvents::ProgramEnded(int status, std::string_view outcome) {
    Each(m_listeners, &RunObserver::ProgramEnded, status, outcome);
}
void RunEvents::UnitChecked(int slot, Ipv4 address, std::uint16_t version, std::uint16_t carried,
                            bool current) {
    Each(m_listeners, &RunObserver::UnitChecked, slot, address, version, carried, current);
}

RunObserver& NoRunObserver() {
    static RunObserver nobody;
    return nobody;
}

}  // namespace rlq
