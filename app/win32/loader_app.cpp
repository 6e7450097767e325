#include "app/win32/loader_app.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "app/load_journal.h"
#include "app/loader_session.h"
#include "app/win32/loader_dlg.h"
#include "app/win32/win32_user_interaction.h"
#include "base/places.h"
#include "catalogue/catalogue.h"

namespace {

// Names a file that gets one line per box the program shows, so that a test driving the
// real windows from outside can read what they said. Unset in normal use.
constexpr const wchar_t* kMessageLogVariable = L"KZN_TEST_MESSAGE_LOG";

}  // namespace

bool CLoaderApp::InitInstance() {
  // The progress bar and the system's look of the standard controls.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);

  CWin32UserInteraction ui;
  if (const wchar_t* log = _wgetenv(kMessageLogVariable); log != nullptr && *log != L'\0')
    ui.SetMessageLog(log);
  CLoaderSession session(ui);
  CLoadJournal journal(DefaultJournalPath(), "kznload");
  journal.TellFailuresInBox(true);
  // Windows tells nothing of the adapter behind a COM port: the line names the device.
  session.AttachJournal(journal);
  CLoaderDlg window(session.state, ui);
  window.DoModal(TakeCatalogueFolder());
  return false;
}
