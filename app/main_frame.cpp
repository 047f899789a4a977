#include "app/main_frame.h"

#include "firmware/transfer_busy.h"
#include "resources/resource_ids.h"

namespace rlq {

void CMainFrame::OnCommand(int id) {
    if (id == res::kCmdAppAbout) {
        m_onAbout();
    } else if (id == res::kCmdShowRecords) {
        m_onShowRecords();
    } else if (id == res::kCmdAppExit) {
        if (platform::Window* main = m_ui.MainWindow()) {
            main->PostCloseRequest();
        }
    }
    // Every other command of the menu and accelerators is accepted and does nothing.
}

bool CMainFrame::OnClose() {
    // A close during a transfer is ignored. A close while the sequence is still on the stack is
    // refused too: destroying the view then would pull it from under its running sequence.
    return !IsTransferBusy() && !m_view.IsSequenceRunning();
}

}  // namespace rlq
