#pragma once
// The platform services the transfer procedures use; the document borrows them for its life.

namespace rlq::platform {
class Toolkit;
class ProcessEnvironment;
class HttpLayer;
class UdpSocketFactory;
class TempFiles;
}  // namespace rlq::platform

namespace rlq {

struct TransferServices {
    platform::Toolkit* ui = nullptr;  // message boxes owned by the main window
    platform::ProcessEnvironment* process = nullptr;
    platform::HttpLayer* http = nullptr;
    platform::UdpSocketFactory* udp = nullptr;
    platform::TempFiles* tempFiles = nullptr;
};

}  // namespace rlq
