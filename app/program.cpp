#include "app/program.h"

#include "common/temp_address.h"
#include "firmware/document.h"
#include "net/reply.h"

namespace rlq {

Program::Program(PlatformServices services, ProgramOptions options)
    : m_services(services),
      m_startObserver(options.startObserver),
      m_search(services.ui, services.host, services.sockets, options.searchObserver),
      m_app(
          AppParts{services.ui, services.process,
                   [this] {
                       auto document = std::make_unique<CRLQUpdaterDoc>(
                           m_services.dataItems,
                           TransferServices{m_services.ui, m_services.process, m_services.http,
                                            m_services.sockets, m_services.tempFiles});
                       RemoveLeftovers(*document);
                       return document;
                   },
                   m_search,
                   [this] { return std::make_unique<CReply>(m_services.host, m_services.sockets); },
                   options.startInSpecialMode, options.checkOnly}) {}

void Program::RemoveLeftovers(CRLQUpdaterDoc& document) {
    for (const std::string& name :
         m_services.host.RemoveLeftoverAddresses(kTempAddress, kTempMask)) {
        if (m_startObserver != nullptr) {
            m_startObserver->LeftoverAddressRemoved(name);
        }
    }
    document.RemoveLeftoverTempFiles();
}

}  // namespace rlq
