// The application object: shows the main window modally with everything it owns, and the
// program ends when the window closes.
#pragma once

#include <QApplication>
#include <functional>

class CLoaderDlg;

class CLoaderApp : public QApplication {
  Q_OBJECT

 public:
  CLoaderApp(int& argc, char** argv);

  // Builds the main window (steady clock, settings store, serial port, window state),
  // initialises it and shows it modally; false once it has closed, so the program ends.
  bool InitInstance();

  // Called with the initialised window just before it is shown; the screenshot tool
  // drives the window through it.
  std::function<void(CLoaderDlg&)> beforeShow;
};
