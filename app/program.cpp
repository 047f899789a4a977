#include "app/program.h"

#include "firmware/document.h"
#include "net/reply.h"

namespace rlq {

Program::Program(PlatformServices services, ProgramOptions options)
    : m_services(services),
      m_search(services.ui, services.host, services.sockets, options.searchObserver),
      m_app(
          AppParts{services.ui, services.process,
                   [this] {
                       auto document = std::make_unique<CRLQUpdaterDoc>(
                           m_services.dataItems,
                           TransferServices{m_services.ui, m_services.process, m_services.http,
                                            m_services.sockets, m_services.tempFiles});
                       document->RemoveLeftoverTempFiles();
                       return document;
                   },
                   m_search,
                   [this] { return std::make_unique<CReply>(m_services.host, m_services.sockets); },
                   options.startInSpecialMode, options.checkOnly}) {}

}  // namespace rlq
