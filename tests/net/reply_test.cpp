#include "net/reply.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/doubles/host_network.h"
#include "tests/doubles/udp_socket.h"
#include "tests/support/discovery_reply.h"

namespace rlq {
namespace {

using testing::IncomingDatagram;
using testing::MakeReply;
using testing::SentDatagram;

constexpr Ipv4 kLanAddress = MakeIpv4(192, 168, 0, 5);
constexpr Ipv4 kLanMask = MakeIpv4(255, 255, 255, 0);
constexpr Ipv4 kLanBroadcast = MakeIpv4(192, 168, 0, 255);
constexpr Ipv4 kPrivateBroadcast = MakeIpv4(10, 255, 255, 255);
constexpr Ipv4 kUnit = MakeIpv4(192, 168, 0, 20);
constexpr std::uint32_t kIndex = 7;
// With no answer a pass ends at the first cycle that starts 6 s after it began: 12 cycles of
// five 100 ms polls.
constexpr std::size_t kRequestsPerSilentPass = 12;

// A search against scripted sockets in virtual time, so that a pass without an answer costs no
// real time.
class ReplySearch : public ::testing::Test {
  protected:
    void Run(std::int32_t flags, std::vector<AdapterEntry> entries, std::uint16_t threshold = 0) {
        adapters = std::move(entries);
        // reset() empties the pointer before the destructor waits for the worker.
        CReply* const listener = reply.get();
        reply->SetFindNotifier([this, listener] {
            ++finds;
            found = listener->GetResult();
        });
        reply->Start(flags, threshold, static_cast<std::int32_t>(adapters.size()), adapters.data());
        reply.reset();  // waits until the search has ended by itself
    }

    // Answers requests sent to `to` with `datagrams`, all at once.
    void AnswerAt(Ipv4 to, std::vector<IncomingDatagram> datagrams) {
        sockets.responder = [to, datagrams](const SentDatagram& sent) {
            return sent.to == to ? datagrams : std::vector<IncomingDatagram>{};
        };
    }

    std::vector<Ipv4> Destinations() const {
        std::vector<Ipv4> result;
        for (const SentDatagram& sent : sockets.Sent()) {
            result.push_back(sent.to);
        }
        return result;
    }

    testing::EventLog log;
    testing::FakeTime time;
    testing::FakeHostNetwork host{log};
    testing::FakeUdpSockets sockets{log, &time};
    // A search whose passes and polls both pass in virtual time, unless `seconds` says otherwise.
    std::unique_ptr<CReply> Search(WholeSecondsClock seconds = {},
                                   const NetListeners& events = NoListeners<NetObserver>()) {
        if (!seconds) {
            seconds = [this] { return time.WholeSeconds(); };
        }
        return std::make_unique<CReply>(host, sockets, events, std::move(seconds),
                                        [this] { return time.Now(); });
    }

    std::unique_ptr<CReply> reply = Search();
    std::vector<AdapterEntry> adapters;
    int finds = 0;
    ReplyResult found;
};

const AdapterEntry kLanEntry{kLanAddress, kLanMask, Ipv4{}, kIndex, 0};

struct PassCase {
    std::int32_t flags;
    std::uint8_t wantedUnit;
    std::vector<Ipv4> localAddresses;
};

class ReplyPasses : public ReplySearch, public ::testing::WithParamInterface<PassCase> {};

TEST_P(ReplyPasses, RunsThePassesOfTheFlags) {
    const PassCase& c = GetParam();
    Run(c.flags, {kLanEntry});

    std::vector<Ipv4> locals;
    for (const platform::UdpOptions& options : sockets.Opened()) {
        locals.push_back(options.bindAddress.value_or(Ipv4{}));
        EXPECT_EQ(options.bindPort, kDiscoveryReplyPort);
        EXPECT_TRUE(options.broadcast);
        EXPECT_TRUE(options.dontRoute);
    }
    EXPECT_EQ(locals, c.localAddresses);

    const std::vector<SentDatagram> sent = sockets.Sent();
    ASSERT_EQ(sent.size(), kRequestsPerSilentPass * c.localAddresses.size());
    for (const SentDatagram& request : sent) {
        EXPECT_EQ(request.port, kDiscoveryRequestPort);
        EXPECT_EQ(request.to, request.from == kTempAddress ? kPrivateBroadcast : kLanBroadcast);
        EXPECT_EQ(request.data[7], c.wantedUnit);
    }
    EXPECT_EQ(finds, 0);
    EXPECT_EQ(host.held, 0);
}

INSTANTIATE_TEST_SUITE_P(
    FlagTable, ReplyPasses,
    ::testing::Values(PassCase{SEARCH_BASE, kWantedBase, {kLanAddress, kTempAddress}},
                      PassCase{SEARCH_CHILD, kWantedChild, {kTempAddress}},
                      PassCase{SEARCH_MAIN, kWantedMain, {kLanAddress, kTempAddress}},
                      PassCase{
                          SEARCH_BASE | SEARCH_MAIN, kWantedAnyUnit, {kLanAddress, kTempAddress}},
                      PassCase{SEARCH_SUB, kWantedSub, {kTempAddress}}));

TEST_F(ReplySearch, RequestCarriesTheFixedBytes) {
    Run(SEARCH_MAIN | SEARCH_VER_LE, {kLanEntry});
    const std::vector<std::uint8_t> expected{'R',  'E',  'P',  'L',  'Y',  0x01, 0x00, 0x03,
                                             0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(sockets.Sent().at(0).data, expected);
}

// An adapter in 10.0.0.0/8 whose own subnet holds 10.10.1.1 searches only that subnet; one in a
// narrower part of 10/8 that leaves it out joins the rest through the temporary address.
TEST_F(ReplySearch, AdapterInsidePrivateNetworkGetsTheTempAddressOnlyOutsideItsSubnet) {
    struct Case {
        MaskedAddress own;
        std::int32_t flags;
        std::vector<Ipv4> locals;
    };
    const MaskedAddress whole{MakeIpv4(10, 0, 0, 10), PrefixMask(8)};
    const MaskedAddress holding{MakeIpv4(10, 10, 2, 3), PrefixMask(16)};
    const MaskedAddress homeLan{MakeIpv4(10, 0, 0, 5), PrefixMask(24)};
    const std::vector<Case> cases{
        {whole, SEARCH_CHILD, {whole.address}},
        {whole, SEARCH_BASE | SEARCH_MAIN, {whole.address}},
        {holding, SEARCH_SUB, {holding.address}},
        {holding, SEARCH_MAIN, {holding.address}},
        {homeLan, SEARCH_SUB, {kTempAddress}},
        {homeLan, SEARCH_MAIN, {homeLan.address, kTempAddress}},
    };
    for (const Case& c : cases) {
        reply = Search();
        const std::size_t before = sockets.Opened().size();
        const std::size_t eventsBefore = log.Events().size();
        Run(c.flags, {{c.own.address, c.own.mask, Ipv4{}, kIndex, 0}});

        std::vector<Ipv4> locals;
        for (std::size_t i = before; i < sockets.Opened().size(); ++i) {
            locals.push_back(sockets.Opened()[i].bindAddress.value_or(Ipv4{}));
        }
        EXPECT_EQ(locals, c.locals) << PrefixText(c.own).View() << " flags " << c.flags;
        const std::vector<std::string> events = log.Events();
        const auto adds =
            std::count_if(events.begin() + static_cast<long>(eventsBefore), events.end(),
                          [](const std::string& event) { return event.rfind("add", 0) == 0; });
        EXPECT_EQ(adds, std::count(c.locals.begin(), c.locals.end(), kTempAddress));
    }
}

TEST_F(ReplySearch, FindThroughTempAddressIsReportedAndAddressRemoved) {
    const Ipv4 subUnit = MakeIpv4(10, 1, 2, 3);
    AnswerAt(kPrivateBroadcast, {{MakeReply(kUnitKindBase, 0x0130), subUnit}});
    Run(SEARCH_BASE, {kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.deviceAddress, subUnit);
    EXPECT_EQ(found.unitKind, kUnitKindBase);
    EXPECT_EQ(found.firmwareVersion, 0x0130);
    EXPECT_EQ(found.localAddress, kTempAddress);
    EXPECT_EQ(found.interfaceIndex, kIndex);
    EXPECT_TRUE(found.viaTempAddress);

    const std::vector<std::string> events = log.Events();
    const std::vector<std::string> tail(events.end() - 4, events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"close 10.10.1.1", "watch",
                                              "remove 7 10.10.1.1/255.0.0.0", "wait 10000"}));
    EXPECT_EQ(host.held, 0);
}

TEST_F(ReplySearch, FindOnOwnSubnetEndsTheSearch) {
    AnswerAt(kLanBroadcast, {{MakeReply(kUnitKindMain, 0x0134), kUnit}});
    Run(SEARCH_MAIN, {kLanEntry, kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.deviceAddress, kUnit);
    EXPECT_EQ(found.localAddress, kLanAddress);
    EXPECT_FALSE(found.viaTempAddress);
    EXPECT_EQ(sockets.Sent().size(), 1u);
    EXPECT_EQ(host.held, 0);
}

// The discovery thread only queues what it reports: the listeners hear it on the owner's thread,
// in order, when the owner delivers it, with the find already the owner's.
TEST_F(ReplySearch, ReportsReachListenersOnlyWhenTheOwnerDeliversThem) {
    struct Heard final : NetObserver {
        std::thread::id owner = std::this_thread::get_id();
        std::vector<std::string> seen;
        CReply* search = nullptr;
        void PassStarted(const DiscoveryPass& pass) override {
            Note("pass from " + FormatIpv4(pass.localAddress));
        }
        void ReplyReceived(const ReceivedReply& reply) override {
            Note(reply.verdict == ReplyVerdict::Accepted
                     ? "accepted, found " + FormatIpv4(search->GetResult().deviceAddress)
                     : "rejected");
        }
        void PassEnded(const DiscoveryPass&, int sent, const RefusedSends&) override {
            Note("pass-end " + std::to_string(sent));
        }
        void Note(std::string event) {
            EXPECT_EQ(std::this_thread::get_id(), owner);
            seen.push_back(std::move(event));
        }
    } heard;
    NetListeners listeners;
    listeners.Add(heard);
    reply = Search({}, listeners);
    heard.search = reply.get();
    std::vector<std::uint8_t> junk = MakeReply(kUnitKindMain, 0x0101);
    junk[0] = 'X';
    AnswerAt(kLanBroadcast, {{junk, kUnit}, {MakeReply(kUnitKindMain, 0x0134), kUnit}});
    std::atomic<int> wakes = 0;
    WaitableFlag foundIt;
    reply->SetEventNotifier([&] { ++wakes; });
    reply->SetFindNotifier([&] { foundIt.Set(); });
    adapters = {kLanEntry};
    reply->Start(SEARCH_MAIN, 0, 1, adapters.data());
    ASSERT_TRUE(foundIt.WaitSet(std::chrono::seconds(5)));
    reply->Stop();  // the search has ended by itself: this only waits for its thread

    EXPECT_TRUE(heard.seen.empty());
    EXPECT_EQ(wakes, 1) << "one wake-up for the events queued since the last delivery";
    reply->DeliverEvents();
    EXPECT_THAT(heard.seen, ::testing::ElementsAre("pass from 192.168.0.5", "rejected",
                                                   "accepted, found 192.168.0.20", "pass-end 1"));
    // The pass is kept for the diagnosis, with what it received.
    const std::vector<PassRecord> passes = reply->Passes();
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].pass.localAddress, kLanAddress);
    EXPECT_EQ(passes[0].sent, 1);
    EXPECT_EQ(passes[0].received, 2);
    EXPECT_EQ(passes[0].rejected, 1);
    ASSERT_EQ(passes[0].datagrams.size(), 2u);
    EXPECT_EQ(passes[0].datagrams[0].verdict, ReplyVerdict::NotAReply);
}

TEST_F(ReplySearch, OnlyExactSixteenByteDatagramsAreRead) {
    std::vector<std::uint8_t> longer = MakeReply(kUnitKindMain, 0x0101);
    longer.push_back(0);
    std::vector<std::uint8_t> shorter = MakeReply(kUnitKindMain, 0x0102);
    shorter.pop_back();
    AnswerAt(kLanBroadcast,
             {{longer, kUnit}, {shorter, kUnit}, {MakeReply(kUnitKindMain, 0x0134), kUnit}});
    Run(SEARCH_MAIN, {kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.firmwareVersion, 0x0134);
    EXPECT_EQ(sockets.reads, 3);
}

TEST_F(ReplySearch, RejectsBadHeadersAndUnwantedKindsWhilePollsGoOn) {
    std::vector<std::uint8_t> badMagic = MakeReply(kUnitKindBase, 0x0103);
    badMagic[0] = 'X';
    AnswerAt(kLanBroadcast, {{MakeReply(kUnitKindBase, 0x0101, kDiscoveryFormatVersion + 1), kUnit},
                             {badMagic, kUnit},
                             {MakeReply(kUnitKindSub + 1, 0x0102), kUnit},
                             {MakeReply(kUnitKindChild, 0x0104), kUnit},
                             {MakeReply(kUnitKindBase, 0x0134), kUnit}});
    Run(SEARCH_BASE, {kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.unitKind, kUnitKindBase);
    EXPECT_EQ(found.firmwareVersion, 0x0134);
    EXPECT_EQ(sockets.reads, 5);
    EXPECT_EQ(sockets.Sent().size(), 1u);
}

// Rejected replies are read as they come, but each poll still lasts its 100 ms: a flood leaves
// the pass its 6 s, and the unit its time to answer.
TEST_F(ReplySearch, RejectedFloodDoesNotShortenThePass) {
    const std::vector<IncomingDatagram> flood(8, {MakeReply(kUnitKindSub, 0x0100), kUnit});
    AnswerAt(MakeIpv4(10, 255, 255, 255), flood);
    Run(SEARCH_MAIN, {{MakeIpv4(10, 0, 0, 10), MakeIpv4(255, 0, 0, 0), Ipv4{}, kIndex, 0}});

    EXPECT_EQ(finds, 0);
    EXPECT_EQ(sockets.Sent().size(), kRequestsPerSilentPass);
    EXPECT_EQ(sockets.reads, static_cast<int>(kRequestsPerSilentPass * flood.size()));
}

TEST_F(ReplySearch, ChildUnitAnswersAChildSearch) {
    AnswerAt(kPrivateBroadcast, {{MakeReply(kUnitKindChild, 0x0200), kUnit}});
    Run(SEARCH_CHILD, {kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.unitKind, kUnitKindChild);
}

TEST_F(ReplySearch, BaseOrMainSearchAcceptsBoth) {
    for (const std::uint8_t kind : {kUnitKindBase, kUnitKindMain}) {
        reply = Search();
        finds = 0;
        AnswerAt(kLanBroadcast, {{MakeReply(kind, 0x0100), kUnit}});
        Run(SEARCH_BASE | SEARCH_MAIN, {kLanEntry});
        ASSERT_EQ(finds, 1);
        EXPECT_EQ(found.unitKind, kind);
    }
}

TEST_F(ReplySearch, FirstAcceptableReplyWinsAndTheRestStayUnread) {
    AnswerAt(kLanBroadcast, {{MakeReply(kUnitKindMain, 0x0130), kUnit},
                             {MakeReply(kUnitKindMain, 0x0140), MakeIpv4(192, 168, 0, 21)}});
    Run(SEARCH_MAIN, {kLanEntry});

    ASSERT_EQ(finds, 1);
    EXPECT_EQ(found.deviceAddress, kUnit);
    EXPECT_EQ(found.firmwareVersion, 0x0130);
    EXPECT_EQ(sockets.unread, 1);
}

TEST_F(ReplySearch, VersionFilterComparesWithTheThreshold) {
    struct Case {
        std::int32_t filter;
        std::uint16_t acceptedVersion;
    };
    // Replies come in as 0x0129, 0x0130, 0x0131; the threshold is 0x0130.
    const Case cases[] = {
        {SEARCH_VER_LE, 0x0129}, {SEARCH_VER_GE, 0x0130}, {SEARCH_VER_LE | SEARCH_VER_GE, 0x0129}};
    for (const Case& c : cases) {
        reply = Search();
        finds = 0;
        const std::vector<std::uint16_t> order = c.filter == SEARCH_VER_GE
                                                     ? std::vector<std::uint16_t>{0x0129, 0x0130}
                                                     : std::vector<std::uint16_t>{0x0129, 0x0131};
        std::vector<IncomingDatagram> replies;
        for (std::uint16_t version : order) {
            replies.push_back({MakeReply(kUnitKindMain, version), kUnit});
        }
        AnswerAt(kLanBroadcast, replies);
        Run(SEARCH_MAIN | c.filter, {kLanEntry}, 0x0130);
        ASSERT_EQ(finds, 1) << c.filter;
        EXPECT_EQ(found.firmwareVersion, c.acceptedVersion) << c.filter;
    }
}

TEST_F(ReplySearch, FrozenOrBackwardClockLimitsThePassToTwentyCycles) {
    std::int64_t seconds = 1000;
    reply = Search([&seconds] { return seconds--; });
    Run(SEARCH_MAIN, {{MakeIpv4(10, 0, 0, 10), MakeIpv4(255, 0, 0, 0), Ipv4{}, kIndex, 0}});

    EXPECT_EQ(sockets.Sent().size(), 20u);
}

TEST_F(ReplySearch, FailedSendWaitsAndStartsTheNextCycle) {
    std::int64_t calls = 0;
    reply = Search([&calls] { return calls++; });
    sockets.sendResult = platform::SendResult{-1, {1, "Operation not permitted"}};
    AnswerAt(kLanBroadcast, {{MakeReply(kUnitKindMain, 0x0130), kUnit}});
    Run(SEARCH_MAIN, {{MakeIpv4(10, 0, 0, 10), MakeIpv4(255, 0, 0, 0), Ipv4{}, kIndex, 0}});

    // One clock reading per cycle after the start: cycles at 1..5 s send, the one at 6 s ends.
    EXPECT_EQ(sockets.Sent().size(), 5u);
    EXPECT_EQ(sockets.reads, 0);
    EXPECT_EQ(finds, 0);
}

// The pass keeps what the system said of its refused requests, for the diagnosis to name.
TEST_F(ReplySearch, RefusedSendsAreKeptWithTheSystemsReason) {
    WaitableFlag lastCycle;
    std::int64_t calls = 0;
    reply = Search([&] {
        if (calls == 6) {
            lastCycle.Set();
        }
        return calls++;
    });
    adapters = {{MakeIpv4(10, 0, 0, 10), MakeIpv4(255, 0, 0, 0), Ipv4{}, kIndex, 0}};
    for (const platform::SendResult& send :
         {platform::SendResult{-1, {1, "Operation not permitted"}}, platform::SendResult{15, {}}}) {
        sockets.sendResult = send;
        calls = 0;
        lastCycle.Clear();
        reply->Start(SEARCH_MAIN, 0, 1, adapters.data());
        ASSERT_TRUE(lastCycle.WaitSet(std::chrono::seconds(5)));
        reply->Stop();  // the pass has read its last clock: this only waits for it to be kept

        const std::vector<PassRecord> passes = reply->Passes();
        ASSERT_EQ(passes.size(), 1u);
        EXPECT_EQ(passes[0].sent, 0) << "a send cut short is no request either";
        EXPECT_EQ(passes[0].refused.count, 5);
        EXPECT_EQ(passes[0].refused.first, send.refusal);
    }
}

TEST_F(ReplySearch, RefusedTempAddressSkipsTheRestOfTheEntry) {
    host.refuseAdd = true;
    const AdapterEntry second{MakeIpv4(192, 168, 1, 5), kLanMask, Ipv4{}, 8, 0};
    Run(SEARCH_MAIN, {kLanEntry, second});

    EXPECT_EQ(Destinations().front(), kLanBroadcast);
    EXPECT_EQ(Destinations().back(), MakeIpv4(192, 168, 1, 255));
    EXPECT_EQ(sockets.Opened().size(), 2u);

    reply = Search();
    const std::size_t before = sockets.Opened().size();
    Run(SEARCH_SUB, {kLanEntry, second});
    EXPECT_EQ(sockets.Opened().size(), before);
}

TEST_F(ReplySearch, SocketThatCannotOpenEndsThePassAndRemovesTheAddress) {
    sockets.refuseOpen = true;
    Run(SEARCH_MAIN, {kLanEntry});

    EXPECT_TRUE(sockets.Sent().empty());
    const std::vector<std::string> events = log.Events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "remove 7 10.10.1.1/255.0.0.0"), 1);
    EXPECT_EQ(host.held, 0);
}

TEST_F(ReplySearch, EmptyAdapterListSendsNothing) {
    const AdapterEntry zero{};
    for (const std::int32_t count : {0, -1}) {
        reply = Search();
        reply->Start(SEARCH_SUB, 0, count, &zero);
        reply.reset();
    }
    EXPECT_TRUE(sockets.Opened().empty());
    EXPECT_TRUE(log.Events().empty());
}

TEST_F(ReplySearch, SecondStartWhileRunningIsIgnored) {
    testing::FakeUdpSockets realTimeSockets{log, nullptr};
    CReply running(host, realTimeSockets);
    adapters = {{MakeIpv4(10, 0, 0, 10), MakeIpv4(255, 0, 0, 0), Ipv4{}, kIndex, 0}};
    running.Start(SEARCH_MAIN, 0, 1, adapters.data());
    running.Start(SEARCH_SUB, 0, 1, adapters.data());
    running.Stop();

    for (const SentDatagram& sent : realTimeSockets.Sent()) {
        EXPECT_EQ(sent.data[7], 3);
    }
}

// Real time: the worker polls with real 100 ms waits.
TEST(ReplyStop, ReturnsWithinAPollAndRemovesTheTempAddress) {
    testing::EventLog log;
    testing::FakeHostNetwork host{log};
    testing::FakeUdpSockets sockets{log, nullptr};
    for (const std::int32_t flags : {SEARCH_MAIN, SEARCH_SUB}) {
        CReply reply(host, sockets);
        std::vector<AdapterEntry> entries{{kLanAddress, kLanMask, Ipv4{}, kIndex, 0}};
        const std::size_t before = sockets.Sent().size();
        reply.Start(flags, 0, 1, entries.data());
        while (sockets.Sent().size() == before) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));

        const auto begin = std::chrono::steady_clock::now();
        reply.Stop();
        const auto took = std::chrono::steady_clock::now() - begin;

        EXPECT_LT(took, std::chrono::milliseconds(150)) << flags;
        EXPECT_EQ(host.held, 0) << flags;
        EXPECT_EQ(reply.GetResult().localAddress, Ipv4{});
    }
}

}  // namespace
}  // namespace rlq
