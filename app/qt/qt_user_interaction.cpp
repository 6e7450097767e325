#include "app/qt/qt_user_interaction.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStyle>
#include <QThread>
#include <cstdio>
#include <cstring>

#include "app/qt/progress_dlg.h"
#include "app/qt/window_fit.h"
#include "base/messages.h"

namespace {

QMessageBox::Icon IconOfStyle(int style) {
  switch (style) {
    case kStyleStop:
      return QMessageBox::Critical;
    case kStyleQuestion:
      return QMessageBox::Question;
    case kStyleExclamation:
      return QMessageBox::Warning;
    case kStyleInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// A box sizes itself by its text; a short text under the long caption would cut the title
// ("KZN LOA… ry 2001"). A spacer as wide as the title bar needs keeps the box wide enough.
void FitTitle(QMessageBox& box) {
  auto* layout = qobject_cast<QGridLayout*>(box.layout());
  if (layout == nullptr) return;
  layout->addItem(new QSpacerItem(TitleBarWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Expanding),
                  layout->rowCount(), 0, 1, layout->columnCount());
}

bool OnUserInterfaceThread() {
  QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace

std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* owner, const MessageBoxRequest& request) {
  auto box = std::make_unique<QMessageBox>(owner);
  box->setIcon(IconOfStyle(request.style));
  box->setWindowTitle(QString::fromStdString(request.caption));
  box->setText(QString::fromStdString(request.text));
  box->setTextFormat(Qt::PlainText);
  if (request.style == kStyleQuestion) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::Yes);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  FitTitle(*box);
  return box;
}

int MessageBoxResult(int standardButton) {
  switch (standardButton) {
    case QMessageBox::Yes:
      return kResultYes;
    case QMessageBox::No:
      return kResultNo;
    default:
      return kResultOk;
  }
}

CQtUserInteraction::CQtUserInteraction() = default;
CQtUserInteraction::~CQtUserInteraction() = default;

QWidget* CQtUserInteraction::BoxOwner() const {
  if (progress_ != nullptr && progress_->isVisible()) return progress_.get();
  return owner_;
}

int CQtUserInteraction::ShowMessageBox(const MessageBoxRequest& request) {
  if (stopSignal_ == 0) {
    const int result = ExecMessageBox(request);
    if (stopSignal_ == 0) return result;
  }
  // Nobody is left to read a box: the program ends once the load has stopped.
  std::fprintf(stderr, "kznload: %s\n", request.text.c_str());
  if (!request.detail.empty()) std::fprintf(stderr, "kznload: %s\n", request.detail.c_str());
  return UnattendedAnswer(request);
}

std::string CQtUserInteraction::StopCause() const {
  if (stopSignal_ == 0) return {};
  const char* name = strsignal(stopSignal_);
  return std::string("signal: ") + (name != nullptr ? name : std::to_string(stopSignal_).c_str());
}

int CQtUserInteraction::ExecMessageBox(const MessageBoxRequest& request) {
  std::unique_ptr<QMessageBox> box = PrepareMessageBox(request);
  openBox_ = box.get();
  return MessageBoxResult(box->exec());
}

std::unique_ptr<QMessageBox> CQtUserInteraction::PrepareMessageBox(
    const MessageBoxRequest& request) const {
  std::unique_ptr<QMessageBox> box = CreateMessageBox(BoxOwner(), request);
  const std::string& detail = request.detail;
  // Where the catalogue was looked for also goes to the terminal the program was started from.
  if (request.messageId == kMsgCatalogueOpenError && !detail.empty())
    std::fprintf(stderr, "kznload: %s\n", detail.c_str());
  if (!detail.empty()) {
    box->setInformativeText(QString::fromStdString(detail));
    // A path is no markup.
    if (auto* label = box->findChild<QLabel*>("qt_msgbox_informativelabel"))
      label->setTextFormat(Qt::PlainText);
  }
  return box;
}

void CQtUserInteraction::ShowPortOpenFailure(const PortOpenFailure& failure) {
  MessageBoxRequest request;
  request.text = PortOpenFailureText(failure, language_ == Language::kFrench);
  request.caption = LoadMessageText(kMsgTitle, language_);
  request.style = kStyleExclamation;
  ShowMessageBox(request);
}

void CQtUserInteraction::RequestStop(int signal) {
  stopSignal_ = signal;
  if (openBox_ != nullptr) openBox_->reject();
}

void CQtUserInteraction::ShowSerialMessage(const std::string& text) {
  if (QCoreApplication::instance() == nullptr) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return;
  }
  MessageBoxRequest request;
  request.text = text;
  request.caption = LoadMessageText(kMsgTitle, language_);
  request.style = kStyleExclamation;
  if (OnUserInterfaceThread()) {
    CreateMessageBox(BoxOwner(), request)->exec();
    return;
  }
  // The reader thread must not wait on a window: the box is shown, without waiting for
  // its answer, the next time the user-interface thread processes events.
  QMetaObject::invokeMethod(
      this,
      [request] {
        // Without an owner: the main window may be disabled by a load, and the progress
        // window goes when the load ends; the box stays until the user closes it.
        QMessageBox* box = CreateMessageBox(nullptr, request).release();
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
      },
      Qt::QueuedConnection);
}

void CQtUserInteraction::ShowFileReadError() {
  MessageBoxRequest request;
  request.text = kFileReadErrorText;
  request.caption = LoadMessageText(kMsgTitle, language_);
  request.style = kStyleExclamation;
  ShowMessageBox(request);
}

bool CQtUserInteraction::OpenProgress(const std::string& caption) {
  progress_ = std::make_unique<CProgressDlg>(language_);
  return progress_->OpenProgress(owner_, QString::fromStdString(caption));
}

void CQtUserInteraction::SetProgressText(const std::string& text) {
  if (progress_ != nullptr) progress_->SetProgressText(QString::fromStdString(text));
}

int CQtUserInteraction::SetProgressPosition(int position) {
  return progress_ != nullptr ? progress_->SetProgressPosition(position) : 0;
}

int CQtUserInteraction::PollCancel() {
  const int cancel = progress_ != nullptr ? progress_->PollCancel() : 0;
  return stopSignal_ != 0 ? 1 : cancel;
}

void CQtUserInteraction::CloseProgress() {
  if (progress_ == nullptr) return;
  progress_->CloseProgress();
  progress_.reset();
}
