#pragma once
// Start-up and end of the program: the single-instance guard, platform start-up, the document,
// the main window with its view, and the message loop.

#include <functional>
#include <memory>
#include <string>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "app/run_listeners.h"
#include "firmware/update_document.h"
#include "net/temp_address_control.h"
#include "platform/process.h"
#include "platform/ui.h"
#include "workflow/unit_search.h"
#include "workflow/update_view.h"

namespace rlq {

struct AppParts {
    platform::Toolkit& ui;
    platform::ProcessEnvironment& process;
    // Creates the document once platform start-up has succeeded.
    std::function<std::unique_ptr<UpdateDocument>()> createDocument;
    UnitSearch& search;
    TempAddressControlFactory makeReply;
    const RunListeners& events;
    // Removes what a killed run left (the temporary address, the temporary file), once the single
    // instance is held and before the first search.
    std::function<void()> removeLeftovers;
    bool startInSpecialMode = false;  // the console front end's --special-mode
    bool checkOnly = false;           // its --check
    // Opens the folder of the run's records for the user; false when that cannot be started.
    std::function<bool()> showRecords;
    std::string recordFolderPath;
};

class CRLQUpdaterApp {
  public:
    explicit CRLQUpdaterApp(AppParts parts) : m_parts(std::move(parts)) {}

    // False: end the process at once (another copy runs, or start-up failed).
    bool InitInstance();
    int ExitInstance();
    // InitInstance, the message loop and ExitInstance; the process's exit status.
    int Run();
    void OnAppAbout();
    void OnShowRecords();

    CRLQUpdaterView* View() { return m_view.get(); }

  private:
    AppParts m_parts;
    std::unique_ptr<platform::SingleInstanceGuard> m_hMutex;
    std::unique_ptr<UpdateDocument> m_document;
    std::unique_ptr<CRLQUpdaterView> m_view;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace rlq
