#pragma once
// The platform services the transfer procedures use; the document borrows them for its life.

#include "firmware/transfer_events.h"
#include "net/net_events.h"

namespace rlq::platform {
class Toolkit;
class ProcessEnvironment;
class HttpLayer;
class UdpSocketFactory;
class TempFiles;
}  // namespace rlq::platform

namespace rlq {

class RunObserver;

struct TransferServices {
    platform::Toolkit& ui;  // message boxes owned by the main window
    platform::ProcessEnvironment& process;
    platform::HttpLayer& http;
    platform::UdpSocketFactory& udp;
    platform::TempFiles& tempFiles;
    const NetListeners& netEvents;    // told of each request
    const TransferListeners& events;  // told of each transfer and message
};

}  // namespace rlq
