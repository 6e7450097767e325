#include "app/qt/loader_app.h"

#include <QIcon>

#include "app/clock.h"
#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "app/qt/loader_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "app/qt/stop_signals.h"
#include "app/settings_store.h"
#include "catalogue/catalogue.h"
#include "serial/com_device.h"
#include "serial/serial_port.h"

CLoaderApp::CLoaderApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("kznload");
  setWindowIcon(QIcon(":/kzn/icon.svg"));
}

bool CLoaderApp::InitInstance() {
  SteadyClock clock;
  CSettingsStore settings(CSettingsStore::DefaultPath());
  QtUserInteraction ui;
  CSerialPort port(ui, [&settings](int n) { return ResolveComDevice(settings, n); });
  CLoaderState state(ui, clock, settings, port);
  CLoaderDlg window(state, ui);
  CStopSignals stopSignals;
  QObject::connect(&stopSignals, &CStopSignals::stopRequested, &window, &CLoaderDlg::Stop);
  window.Initialise(TakeCatalogueFolder());
  if (beforeShow) beforeShow(window);
  // A stop asked while the window was being set up ends the program before it shows.
  if (!ui.StopRequested()) window.exec();
  return false;
}
