#include "workflow/search_probing.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

#include "common/unit_network.h"

namespace rlq {

// Shared with the thread, which a stalled look may keep past the probing's end.
struct SearchProbing::Looks {
    std::mutex lock;
    std::condition_variable doneChanged;
    bool done = false;
    ProbeAnswers answers;
    std::unique_ptr<platform::ArrivalCapture> capture;
    std::function<void()> ended;
};

SearchProbing::SearchProbing(platform::SearchProbes& probes)
    : m_probes(probes), m_looks(std::make_shared<Looks>()) {
    m_looks->capture = probes.CaptureUdpArrivals(kDiscoveryReplyPort);
}

SearchProbing::~SearchProbing() {
    if (!m_thread.joinable()) {
        return;
    }
    std::unique_lock held(m_looks->lock);
    if (m_looks->done) {
        held.unlock();
        m_thread.join();
    } else {
        m_thread.detach();
    }
}

void SearchProbing::Start(std::function<void()> ended) {
    if (m_started) {
        return;
    }
    m_started = true;
    m_looks->ended = std::move(ended);  // the thread is not running yet
    try {
        m_thread = std::thread([looks = m_looks, &probes = m_probes] {
            ProbeAnswers answers;
            answers.portHolders = probes.UdpPortHolders(kDiscoveryReplyPort);
            answers.routes = probes.Ipv4Routes();
            answers.firewall = probes.Firewall(kDiscoveryReplyPort);
            if (looks->capture) {
                answers.arrivals = looks->capture->TakeSenders();
            }
            std::lock_guard held(looks->lock);
            looks->answers = std::move(answers);
            looks->done = true;
            looks->doneChanged.notify_all();
            if (looks->ended) {
                looks->ended();
            }
        });
    } catch (const std::system_error&) {
        // No looks: the diagnosis goes by what the search saw.
    }
}

void SearchProbing::StopNotifying() {
    std::lock_guard held(m_looks->lock);
    m_looks->ended = nullptr;
}

ProbeAnswers SearchProbing::Answers(std::chrono::milliseconds bound) {
    if (!m_thread.joinable()) {
        return {};
    }
    std::unique_lock held(m_looks->lock);
    if (!m_looks->doneChanged.wait_for(held, bound, [this] { return m_looks->done; })) {
        return {};
    }
    return m_looks->answers;
}

}  // namespace rlq
