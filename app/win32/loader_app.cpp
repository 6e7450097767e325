#include "app/win32/loader_app.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "app/load_journal.h"
#include "app/loader_state.h"
#include "app/win32/loader_dlg.h"
#include "app/win32/win32_user_interaction.h"
#include "base/clock.h"
#include "base/path.h"
#include "base/places.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"
#include "serial/com_device.h"
#include "serial/serial_port.h"

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

  CSteadyClock clock;
  CSettingsStore settings(CSettingsStore::DefaultPath());
  CWin32UserInteraction ui;
  if (const wchar_t* log = _wgetenv(kMessageLogVariable); log != nullptr && *log != L'\0')
    ui.SetMessageLog(log);
  CSerialPort port(ui, [&settings](int n) { return ResolveComDevice(settings, n); });
  CLoadJournal journal(DefaultJournalPath(), "kznload");
  journal.TellFailuresInBox(true);
  CLoaderState state(ui, clock, settings, port);
  state.journal = &journal;
  // Windows tells nothing of the adapter behind a COM port: the line names the device.
  state.resolveDevice = [&settings](int n) { return ResolveComDevice(settings, n); };
  CLoaderDlg window(state, ui);
  const std::string folder = TakeCatalogueFolder();
  window.DoModal(folder);
  return false;
}
