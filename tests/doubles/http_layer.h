#pragma once
// A scripted HTTP layer: records every call of every attempt and answers as the test says, with
// sends that can hang until the root is closed (a unit that never answers) or until released.

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/http_layer.h"

namespace rlq::testing {

struct FakeSend {
    enum class Kind { Answer, Fail, HangUntilClosed, HangUntilReleased };
    Kind kind = Kind::Answer;
    std::uint32_t status = 200;
    std::string message;  // failure text, also the text a hanging send fails with once closed
};

struct FakeAttempt {
    std::string userAgent;
    platform::HttpTimeouts timeouts{};
    Ipv4 server;
    std::uint16_t port = 0;
    std::string verb, object, version;
    std::string headers;
    std::vector<std::uint8_t> body;
    bool sent = false;
    bool closed = false;
};

class FakeHttpLayer final : public platform::HttpLayer {
  public:
    // One entry per attempt; the last one serves every further attempt.
    std::vector<FakeSend> sends{FakeSend{}};
    std::optional<std::string> rootFailure;
    std::optional<std::string> connectFailure;
    std::optional<std::string> openFailure;
    // Counts texts as a double-byte code page such as CP932 does: one byte for ASCII and the
    // half-width katakana, two for every other character.
    bool doubleByteCodePage = false;

    platform::HttpOpened<platform::HttpRoot> OpenRoot(
        std::string_view userAgent, const platform::HttpTimeouts& timeouts) override;

    std::size_t SystemCodePageBytes(std::string_view utf8Character) const override {
        if (!doubleByteCodePage || utf8Character.size() == 1) {
            return utf8Character.size();
        }
        const auto byte = [&](std::size_t i) {
            return static_cast<unsigned char>(utf8Character[i]);
        };
        const unsigned codePoint =
            utf8Character.size() == 3
                ? ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu)
                : 0;
        const bool halfWidthKatakana = codePoint >= 0xFF61 && codePoint <= 0xFF9F;
        return halfWidthKatakana ? 1 : 2;
    }

    std::vector<FakeAttempt> Attempts() const {
        std::lock_guard lock(m_mutex);
        return m_attempts;
    }
    int LiveHandles() const {
        std::lock_guard lock(m_mutex);
        return m_live;
    }
    void WaitUntilSending() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_sending; });
    }
    void Release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

  private:
    class Handle;
    class Root;
    class Connection;
    class Request;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<FakeAttempt> m_attempts;
    int m_live = 0;
    bool m_sending = false;
    bool m_released = false;
};

// Every handle knows its attempt by index and counts itself live while it exists.
class FakeHttpLayer::Handle {
  public:
    Handle(FakeHttpLayer& layer, std::size_t attempt) : layer(layer), attempt(attempt) {
        std::lock_guard lock(layer.m_mutex);
        ++layer.m_live;
    }
    ~Handle() {
        std::lock_guard lock(layer.m_mutex);
        --layer.m_live;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    FakeHttpLayer& layer;
    const std::size_t attempt;
};

class FakeHttpLayer::Request final : public platform::HttpRequest, Handle {
  public:
    using Handle::Handle;

    platform::HttpResult Send(std::string_view headers,
                              std::span<const std::uint8_t> body) override {
        FakeHttpLayer& owner = layer;
        const FakeSend& script = owner.sends[std::min(attempt, owner.sends.size() - 1)];
        std::unique_lock lock(owner.m_mutex);
        FakeAttempt& record = owner.m_attempts[attempt];
        record.headers = headers;
        record.body.assign(body.begin(), body.end());
        record.sent = true;
        owner.m_sending = true;
        owner.m_changed.notify_all();
        switch (script.kind) {
            case FakeSend::Kind::Answer:
                m_status = script.status;
                return platform::HttpResult::Success();
            case FakeSend::Kind::Fail:
                return platform::HttpResult::Failure(script.message);
            case FakeSend::Kind::HangUntilClosed:
                owner.m_changed.wait(lock, [&] { return owner.m_attempts[attempt].closed; });
                return platform::HttpResult::Failure(script.message);
            case FakeSend::Kind::HangUntilReleased:
                owner.m_changed.wait(lock, [&] { return owner.m_released; });
                m_status = script.status;
                return platform::HttpResult::Success();
        }
        return platform::HttpResult::Failure("unreachable");
    }

    std::optional<std::uint32_t> StatusCode() const override { return m_status; }

  private:
    std::optional<std::uint32_t> m_status;
};

class FakeHttpLayer::Connection final : public platform::HttpConnection, Handle {
  public:
    using Handle::Handle;

    platform::HttpOpened<platform::HttpRequest> OpenRequest(std::string_view verb,
                                                            std::string_view object,
                                                            std::string_view version) override {
        FakeHttpLayer& owner = layer;
        {
            std::lock_guard lock(owner.m_mutex);
            FakeAttempt& record = owner.m_attempts[attempt];
            record.verb = verb;
            record.object = object;
            record.version = version;
        }
        if (owner.openFailure) {
            return {nullptr, platform::HttpResult::Failure(*owner.openFailure)};
        }
        return {std::make_unique<Request>(owner, attempt), {}};
    }
};

class FakeHttpLayer::Root final : public platform::HttpRoot, Handle {
  public:
    using Handle::Handle;

    platform::HttpOpened<platform::HttpConnection> Connect(Ipv4 server,
                                                           std::uint16_t port) override {
        FakeHttpLayer& owner = layer;
        {
            std::lock_guard lock(owner.m_mutex);
            owner.m_attempts[attempt].server = server;
            owner.m_attempts[attempt].port = port;
        }
        if (owner.connectFailure) {
            return {nullptr, platform::HttpResult::Failure(*owner.connectFailure)};
        }
        return {std::make_unique<Connection>(owner, attempt), {}};
    }

    void Close() override {
        FakeHttpLayer& owner = layer;
        {
            std::lock_guard lock(owner.m_mutex);
            owner.m_attempts[attempt].closed = true;
        }
        owner.m_changed.notify_all();
    }
};

inline platform::HttpOpened<platform::HttpRoot> FakeHttpLayer::OpenRoot(
    std::string_view userAgent, const platform::HttpTimeouts& timeouts) {
    if (rootFailure) {
        return {nullptr, platform::HttpResult::Failure(*rootFailure)};
    }
    std::size_t attempt;
    {
        std::lock_guard lock(m_mutex);
        attempt = m_attempts.size();
        FakeAttempt record;
        record.userAgent = userAgent;
        record.timeouts = timeouts;
        m_attempts.push_back(std::move(record));
    }
    return {std::make_unique<Root>(*this, attempt), {}};
}

}  // namespace rlq::testing
