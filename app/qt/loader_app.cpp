#include "app/qt/loader_app.h"

#include <QDir>
#include <QFile>
#include <QIcon>

#include "app/catalogue_folder.h"
#include "app/load_journal.h"
#include "app/loader_session.h"
#include "app/qt/loader_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "app/qt/stop_signals.h"
#include "base/places.h"
#include "catalogue/catalogue.h"
#include "serial/port_discovery.h"
#include "serial/udev/system_port_discovery.h"

CLoaderApp::CLoaderApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("kznload");
  setWindowIcon(QIcon(":/kzn/icon.svg"));
}

bool CLoaderApp::InitInstance() {
  CQtUserInteraction ui;
  CLoaderSession session(ui);
  CLoadJournal journal(DefaultJournalPath(), "kznload");
  journal.TellFailuresInBox(true);
  CLoaderDlg window(session.state, ui);
  std::unique_ptr<PortDiscovery> discovery = CreateSystemPortDiscovery();
  session.AttachJournal(journal, [&discovery](const std::string& device) {
    return AdapterIdentity(discovery->FindPorts(), device);
  });
  window.SetPortDescriber([&session, &discovery] {
    const std::vector<SerialPortInfo> ports = discovery->FindPorts();
    std::vector<std::string> texts;
    for (const ComPortMapping& mapping : MapComPorts(session.settings, ports))
      texts.push_back(ComPortToolTip(mapping));
    return texts;
  });
  // Started where there is no catalogue (a menu entry), the folder chosen last time serves.
  const std::string working = TakeCatalogueFolder();
  const std::string folder = StartingCatalogueFolder(working, session.settings);
  if (folder != working) QDir::setCurrent(QFile::decodeName(folder.c_str()));
  CStopSignals stopSignals;
  QObject::connect(&stopSignals, &CStopSignals::stopRequested, &window, &CLoaderDlg::Stop);
  window.Initialise(folder);
  if (beforeShow) beforeShow(window);
  // A stop asked while the window was being set up ends the program before it shows.
  if (!ui.StopRequested()) window.exec();
  return false;
}
