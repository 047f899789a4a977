#include "tools/unit-sim/sim_services.h"

#include <string>

#include "firmware/image_format.h"
#include "firmware/image_items.h"
#include "platform/embedded_data.h"
#include "tools/unit-sim/sim_log.h"
#include "tools/unit-sim/sim_payload.h"

namespace rlq::sim {
namespace {

TftpLoaderConfig LoaderConfig(const TransferOptions& transfer, Ipv4 address, bool alwaysArmed) {
    TftpLoaderConfig config;
    config.address = address;
    config.alwaysArmed = alwaysArmed;
    config.dropFirstAckOf = {transfer.dropFirstAckOf.begin(), transfer.dropFirstAckOf.end()};
    config.duplicateAcks = transfer.duplicateAcks;
    config.answerFrom = transfer.ackFrom;
    config.neverAnswer = transfer.loaderSilent;
    config.ackDelay = std::chrono::milliseconds(transfer.ackDelayMs);
    config.delayedAcks = transfer.delayedAcks;
    config.dropPercent = transfer.dropPercent;
    config.junkPerAck = transfer.junkCount;
    config.spoofFrom = transfer.spoofFrom;
    config.log = LogLine;
    return config;
}

struct CarriedImage {
    std::span<const std::uint8_t> payload;
    std::uint16_t version;
};

CarriedImage Carried(std::uint16_t item, std::size_t payloadSize) {
    const auto image = *platform::ProgramDataItems().Find(kImageItemType, item);
    return {image.subspan(image_header::kSize, payloadSize), ImageVersion(image.data())};
}

std::size_t SubPayloadSize() {
    const auto text = *platform::ProgramDataItems().Find(kSizeTextItemType, kSubImageSizeItem);
    return ParseSizeText(text) - image_header::kSize;
}

// True when `received` is the carried image; prints the outcome either way.
bool Matches(const char* unit, std::span<const std::uint8_t> received,
             const CarriedImage& carried) {
    const auto difference = ComparePayload(received, carried.payload);
    LogLine(std::string(unit) + " unit: received " + std::to_string(received.size()) + " bytes, " +
            (difference ? "does not match the carried image: " + *difference
                        : "matches the carried image " + FormatVersion(carried.version)));
    return !difference;
}

}  // namespace

SimulatedUnit::SimulatedUnit(const SimOptions& options) : m_responder(options) {
    const TransferOptions& transfer = options.transfer;
    m_loader = std::make_unique<TftpLoader>(LoaderConfig(transfer, options.sub.address, false));
    if (transfer.specialAddr) {
        m_specialLoader =
            std::make_unique<TftpLoader>(LoaderConfig(transfer, *transfer.specialAddr, true));
    }
    WebInterfaceConfig web;
    web.address = options.main.address;
    if (transfer.refuseChunk) {
        web.refusal = ChunkRefusal{transfer.refuseChunk->first, transfer.refuseChunk->second};
    }
    web.fault = transfer.webFault;
    web.faultFromRequest = transfer.webFaultFrom;
    web.styles = transfer.webStyles;
    web.log = LogLine;
    m_mainWeb = std::make_unique<WebInterface>(web);
    web.address = options.sub.address;
    web.resetStatus = transfer.resetStatus;
    web.onReset = [this, accepted = transfer.resetStatus] {
        if (accepted == 204 || accepted == 500) {
            m_loader->Arm();  // the unit restarts into its loader
        }
    };
    m_subWeb = std::make_unique<WebInterface>(web);

    m_services = {&m_responder, m_loader.get(), m_mainWeb.get(), m_subWeb.get()};
    if (m_specialLoader) {
        m_services.push_back(m_specialLoader.get());
    }
}

SimulatedUnit::~SimulatedUnit() {
    Stop();
}

bool SimulatedUnit::Start() {
    while (m_started < m_services.size()) {
        if (!m_services[m_started]->Start()) {
            LogLine(std::string("cannot start the ") + m_services[m_started]->Name());
            Stop();
            return false;
        }
        ++m_started;
    }
    return true;
}

void SimulatedUnit::Stop() {
    for (std::size_t i = 0; i < m_started; ++i) {
        m_services[i]->RequestStop();
    }
    while (m_started > 0) {
        m_services[--m_started]->Stop();
    }
}

void SimulatedUnit::PowerCycle() {
    LogLine("power cycle");
    if (m_mainWeb->UpdateComplete()) {
        const CarriedImage carried = Carried(kImageItem[kMainSlot], m_mainWeb->Payload().size());
        if (Matches("main", m_mainWeb->Payload(), carried)) {
            m_responder.SetVersion(kMainSlot, carried.version);
        }
    }
    for (TftpLoader* loader : {m_loader.get(), m_specialLoader.get()}) {
        if (loader && loader->IsComplete()) {
            const CarriedImage carried = Carried(kImageItem[kSubSlot], SubPayloadSize());
            if (Matches("sub", loader->RecoveredPayload(), carried)) {
                m_responder.SetVersion(kSubSlot, carried.version);
            }
        }
    }
    // Whoever reads the log knows the judgement is whole.
    LogLine("powered on");
}

}  // namespace rlq::sim
