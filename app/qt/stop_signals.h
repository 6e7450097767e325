// SIGTERM and SIGHUP (a logout, a service manager, kill) reach the window as a request to
// stop: the handler only writes the signal's number into a pipe, whose reading end a socket
// notifier watches, so the request is handled as an ordinary event by the user-interface
// thread, also in the progress window's pump during a load.
#pragma once

#include <QObject>

class QSocketNotifier;

class CStopSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; one object at a time.
  explicit CStopSignals(QObject* parent = nullptr);
  // Restores the signals' usual ends.
  ~CStopSignals() override;

 signals:
  void stopRequested(int signal);

 private:
  void TakeSignals();

  QSocketNotifier* notifier_ = nullptr;
};
