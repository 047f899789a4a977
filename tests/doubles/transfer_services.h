#pragma once
// Transfer services for a document that never transfers, because every unit it is given already
// runs the carried version: the doubles behind them stay idle.

#include "firmware/transfer_events.h"
#include "firmware/transfer_services.h"
#include "net/net_events.h"
#include "tests/doubles/http_layer.h"
#include "tests/doubles/process.h"
#include "tests/doubles/temp_file.h"
#include "tests/doubles/udp_socket.h"

namespace rlq::testing {

class IdleTransferServices {
  public:
    TransferServices With(platform::Toolkit& ui) {
        return {ui,
                m_process,
                m_http,
                m_udp,
                m_files,
                NoListeners<NetObserver>(),
                NoListeners<TransferObserver>()};
    }

  private:
    FakeProcess m_process;
    FakeHttpLayer m_http;
    FakeUdpSockets m_udp;
    FakeTempFiles m_files;
};

}  // namespace rlq::testing
