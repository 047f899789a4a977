// rlq-net-helper: the one privileged piece of the desktop program. It adds and removes the
// temporary address 10.10.1.1/8 on an Ethernet interface on the program's request, and nothing
// else. Started by the program through pkexec (or directly when an administrator gave it
// CAP_NET_ADMIN as a file capability), it talks over its standard input and output (protocol in
// helper_protocol.h) and removes every address it added when its input ends or a termination
// signal comes, so nothing stays on the adapter if the program dies.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/host_network.h"
#include "platform/linux/helper_protocol.h"
#include "platform/linux/unique_fd.h"
#include "tools/net-helper/ethernet_link.h"
#include "tools/net-helper/helper_session.h"

namespace {

using namespace rlq::net_helper;

constexpr int kProtocolError = 2;
constexpr int kSetupError = 3;

bool WriteLine(std::string_view text) {
    const std::string line = std::string(text) + '\n';
    return rlq::platform::WriteAll(STDOUT_FILENO, line.data(), line.size());
}

// Serves requests until the input ends, a signal comes or the protocol is broken.
int Serve(HelperSession& session, int signals) {
    std::string buffer;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kSetupError;
        }
        if (fds[1].revents != 0) {
            return 0;  // a termination signal
        }
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return 0;  // the program has gone
        }
        buffer.append(chunk, static_cast<std::size_t>(got));
        for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
            const std::string reply = session.Handle(std::string_view(buffer).substr(0, end));
            buffer.erase(0, end + 1);
            if (reply.empty()) {
                return kProtocolError;
            }
            if (!WriteLine(reply)) {
                return 0;
            }
        }
        if (buffer.size() > kMaxLine) {
            return kProtocolError;
        }
    }
}

}  // namespace

int main() {
    // Taken through the signal descriptor only; a closed peer shows as a failed write.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGQUIT);
    if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        return kSetupError;
    }
    ::signal(SIGPIPE, SIG_IGN);
    const rlq::platform::UniqueFd signalFd(::signalfd(-1, &signals, SFD_CLOEXEC));
    if (!signalFd) {
        return kSetupError;
    }

    HelperSession session(rlq::platform::SystemHostNetwork(), IsEthernetInterface);
    int status = kSetupError;
    if (WriteLine(kReady)) {
        status = Serve(session, signalFd.Get());
    }
    session.RemoveAll();
    return status;
}
