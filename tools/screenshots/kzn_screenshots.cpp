// Drives the real desktop program to take the README's pictures: the main window in
// standard mode, in expert mode, and the progress window over it during a load; with
// "french", the French interface's question box and file window. Run by
// tools/screenshots.sh under Xvfb, in a catalogue folder whose COM1 leads to kznsim.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>

#include "app/main_window_logic.h"
#include "app/qt/file_window.h"
#include "app/qt/loader_app.h"
#include "app/qt/loader_dlg.h"
#include "app/qt/progress_dlg.h"
#include "app/qt/qt_user_interaction.h"
#include "base/messages.h"

namespace {

QString outFolder;
int failures = 0;

// What is on the screen where the given windows are, the way a user sees them.
void Shoot(const QList<QWidget*>& windows, const QString& name) {
  QRect area;
  for (QWidget* window : windows)
    area = area.united(window->frameGeometry());
  QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                 area.width(), area.height());
  const QString path = outFolder + "/" + name;
  if (!picture.save(path)) ++failures;
  std::printf("%s %s\n", picture.isNull() ? "failed" : "wrote", qPrintable(path));
}

void DoubleClickSurface(QWidget* window, int times) {
  const QPointF at(3, 3);
  for (int i = 0; i < times; ++i) {
    QMouseEvent click(QEvent::MouseButtonDblClick, at, window->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &click);
  }
}

CProgressDlg* OpenProgressWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* progress = qobject_cast<CProgressDlg*>(top);
    if (progress != nullptr && progress->isVisible()) return progress;
  }
  return nullptr;
}

void Drive(CLoaderDlg& window) {
  window.move(40, 40);
  QTimer::singleShot(800, &window, [&window] {
    Shoot({&window}, "main-window-standard.png");
    DoubleClickSurface(&window, kDoubleClicksBeforeSwitch + 1);
    QTimer::singleShot(300, &window, [&window] {
      Shoot({&window}, "main-window-expert.png");
      DoubleClickSurface(&window, kDoubleClicksBeforeSwitch + 1);
      // The load runs inside the start button's handler; this timer fires in the progress
      // window's pump, and later in the final message box.
      auto* watch = new QTimer(&window);
      bool progressShot = false;
      QObject::connect(watch, &QTimer::timeout, &window, [&window, progressShot]() mutable {
        if (CProgressDlg* progress = OpenProgressWindow();
            progress != nullptr && !progressShot && progress->Position() >= 30 &&
            progress->StatusText().toStdString() == LoadMessageText(kMsgLoadingInProgress)) {
          Shoot({&window, progress}, "progress-window.png");
          progressShot = true;
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          std::printf("message: %s\n", qPrintable(box->text()));
          if (!progressShot) ++failures;
          box->accept();
        }
      });
      watch->start(100);
      QTimer::singleShot(300, &window, [&window] {
        window.findChild<QPushButton*>("startButton")->click();
        window.close();
      });
    });
  });
}

// The French interface: the question of an unfinished load, then the file window.
void DriveFrench(CLoaderDlg& window) {
  window.move(40, 40);
  QTimer::singleShot(800, &window, [&window] {
    MessageBoxRequest request;
    request.textNumber = kMsgLastLoadingUnfinished + LanguageOffset;
    request.text = LoadMessageText(kMsgLastLoadingUnfinished);
    request.caption = LoadMessageText(kMsgTitle);
    request.style = kStyleQuestion;
    std::shared_ptr<QMessageBox> box = CreateMessageBox(&window, request);
    box->show();
    QTimer::singleShot(500, &window, [&window, box] {
      Shoot({box.get()}, "question-box-fr.png");
      box->close();
      std::shared_ptr<QFileDialog> files =
          CreateFileWindow(&window, QDir::currentPath().toStdString());
      files->resize(720, 420);
      files->show();
      QTimer::singleShot(800, &window, [&window, files] {
        Shoot({files.get()}, "file-window-fr.png");
        files->close();
        window.close();
      });
    });
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kzn_screenshots OUTPUT-FOLDER [french]\n");
    return 2;
  }
  outFolder = QString::fromLocal8Bit(argv[1]);
  CLoaderApp application(argc, argv);
  application.beforeShow = argc > 2 && std::string(argv[2]) == "french" ? DriveFrench : Drive;
  application.InitInstance();
  return failures == 0 ? 0 : 1;
}
