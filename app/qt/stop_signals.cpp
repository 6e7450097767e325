#include "app/qt/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {

int stopPipe[2] = {-1, -1};
constexpr int kStopSignals[] = {SIGTERM, SIGHUP};

extern "C" void WriteStopSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  // A full pipe already holds a stop request; losing this one loses nothing.
  (void)!::write(stopPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

CStopSignals::CStopSignals(QObject* parent) : QObject(parent) {
  if (stopPipe[0] < 0 && ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CStopSignals::TakeSignals);
  struct sigaction action {};
  action.sa_handler = WriteStopSignal;
  sigemptyset(&action.sa_mask);
  // The serial port's reader and writer carry on through the signal.
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals)
    ::sigaction(signal, &action, nullptr);
}

CStopSignals::~CStopSignals() {
  for (int signal : kStopSignals)
    ::signal(signal, SIG_DFL);
}

void CStopSignals::TakeSignals() {
  unsigned char bytes[16];
  ssize_t got = 0;
  while ((got = ::read(stopPipe[0], bytes, sizeof bytes)) > 0) {
    for (ssize_t i = 0; i < got; ++i)
      emit stopRequested(bytes[i]);
  }
}
