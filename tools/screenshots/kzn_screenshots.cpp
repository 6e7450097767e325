// Drives the real desktop program to take the README's pictures: the main window in
// standard mode, in expert mode, and the progress window over it during a load; with
// "french", the French interface's question box and file window; with "catalogue", the
// folder window of a start where there is no catalogue. Run by
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
      bool progressShot = false, transferBegan = false;
      QObject::connect(
          watch, &QTimer::timeout, &window, [&window, progressShot, transferBegan]() mutable {
            CProgressDlg* progress = OpenProgressWindow();
            const bool transfer =
                progress != nullptr &&
                progress->StatusText().toStdString() ==
                    LoadMessageText(kMsgLoadingInProgress, window.RunningLanguage());
            // The transfer starts its bar from 0 under the read-out's; it is shown on its way.
            if (transfer && progress->Position() < 5) transferBegan = true;
            if (transfer && transferBegan && !progressShot && progress->Position() >= 30 &&
                !progress->TimeLeftText().isEmpty()) {
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
    const Language language = window.RunningLanguage();
    MessageBoxRequest request;
    request.messageId = kMsgLastLoadingUnfinished;
    request.language = language;
    request.text = LoadMessageText(kMsgLastLoadingUnfinished, language);
    request.caption = LoadMessageText(kMsgTitle, language);
    request.style = kStyleQuestion;
    std::shared_ptr<QMessageBox> box = CreateMessageBox(&window, request);
    box->show();
    QTimer::singleShot(500, &window, [&window, box, language] {
      Shoot({box.get()}, "question-box-fr.png");
      box->close();
      std::shared_ptr<QFileDialog> files =
          CreateFileWindow(&window, QDir::currentPath().toStdString(), language);
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

// A start where there is no catalogue: message 110 is answered, then the folder window is
// shown in the folder that holds the catalogue, and that folder is chosen.
void WatchCatalogueStart(const QString& catalogueFolder) {
  auto* watch = new QTimer(QCoreApplication::instance());
  QObject::connect(watch, &QTimer::timeout, [watch, catalogueFolder] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      std::printf("message: %s\n", qPrintable(box->text()));
      box->accept();
      return;
    }
    auto* folders = qobject_cast<QFileDialog*>(modal);
    if (folders == nullptr || folders->objectName() != "catalogueFolderWindow") return;
    watch->stop();
    // The user has gone into the catalogue folder: "Choose" takes the folder shown.
    folders->resize(720, 420);
    folders->setDirectory(catalogueFolder);
    QTimer::singleShot(800, folders, [folders] {
      Shoot({folders}, "catalogue-folder-window.png");
      QMetaObject::invokeMethod(folders, "accept");
    });
  });
  watch->start(100);
}

// The main window once the folder is chosen: closed at once.
void CloseAfterCatalogueChosen(CLoaderDlg& window) {
  QTimer::singleShot(500, &window, [&window] {
    std::printf("catalogue folder: %s\n", qPrintable(QDir::currentPath()));
    window.close();
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: kzn_screenshots OUTPUT-FOLDER [french | catalogue CATALOGUE-FOLDER]\n");
    return 2;
  }
  outFolder = QString::fromLocal8Bit(argv[1]);
  CLoaderApp application(argc, argv);
  const std::string mode = argc > 2 ? argv[2] : "";
  if (mode == "catalogue" && argc > 3) {
    WatchCatalogueStart(QString::fromLocal8Bit(argv[3]));
    application.beforeShow = CloseAfterCatalogueChosen;
  } else {
    application.beforeShow = mode == "french" ? DriveFrench : Drive;
  }
  application.InitInstance();
  return failures == 0 ? 0 : 1;
}
