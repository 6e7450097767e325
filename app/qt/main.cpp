// kznload: the desktop program.
#include <QApplication>
#include <QDialog>

#include "app/messages.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QDialog window;
  window.setWindowTitle(QString::fromStdString(LoadMessageText(kMsgTitle)));
  window.show();
  return application.exec();
}
