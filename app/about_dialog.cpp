#include "app/about_dialog.h"

#include "resources/resource_ids.h"

namespace rlq {

using platform::kCancelCode;
using platform::kOkCode;

void CAboutDlg::OnCommand(int id) {
    if (id == res::kAboutOk) {
        OnOk();
    }
}

void CAboutDlg::OnOk() {
    m_window->EndModal(kOkCode);
}
void CAboutDlg::OnCancel() {
    m_window->EndModal(kCancelCode);
}

}  // namespace rlq
