#include "app/qt/progress_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "base/messages.h"
#include "base/progress.h"

CProgressDlg::CProgressDlg() : QDialog(nullptr) {
  // No parent: a disabled main window would disable its child windows too, and this one
  // must stay usable while the main window is disabled.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setObjectName("progressWindow");
  status_ = new QLabel(this);
  status_->setObjectName("statusText");
  status_->setMinimumWidth(320);
  percent_ = new QLabel(QString::fromStdString(ProgressPercentText(lower_)), this);
  percent_->setObjectName("percentText");
  percent_->setAlignment(Qt::AlignHCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(lower_, upper_);
  bar_->setValue(lower_);
  bar_->setTextVisible(false);
  cancel_ = new QPushButton(this);
  cancel_->setObjectName("cancelButton");
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(percent_);
  layout->addWidget(bar_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addStretch();
  layout->addLayout(buttons);
}

CProgressDlg::~CProgressDlg() {
  GiveOwnerBack();
}

bool CProgressDlg::OpenProgress(QWidget* parent, const QString& caption) {
  owner_ = parent != nullptr ? parent->window() : nullptr;
  if (owner_ != nullptr && owner_->isEnabled()) {
    owner_->setEnabled(false);
    ownerDisabled_ = true;
  }
  setWindowTitle(caption);
  cancel_->setText(QString::fromStdString(LoadMessageText(kMsgCancelButton)));
  cancelRequest_ = 0;
  if (owner_ != nullptr) {
    // Kept above the main window by the window manager, centred on it.
    winId();
    if (QWindow* ownerWindow = owner_->windowHandle(); ownerWindow != nullptr)
      windowHandle()->setTransientParent(ownerWindow);
    adjustSize();
    move(owner_->frameGeometry().center() - rect().center());
  }
  show();
  return true;
}

void CProgressDlg::SetProgressText(const QString& text) {
  status_->setText(text);
}

int CProgressDlg::SetProgressPosition(int position) {
  PumpPendingMessages();
  const int previous = bar_->value();
  bar_->setValue(position);
  const QString text = QString::fromStdString(ProgressPercentText(position, lower_, upper_));
  if (percent_->text() != text) {
    percent_->setText(text);
    ++percentWrites_;
  }
  return previous;
}

int CProgressDlg::PollCancel() {
  PumpPendingMessages();
  const int request = cancelRequest_;
  cancelRequest_ = 0;
  return request;
}

void CProgressDlg::PumpPendingMessages() {
  // Deferred deletions are left for the main loop: the load's own objects live on.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CProgressDlg::CloseProgress() {
  GiveOwnerBack();
  hide();
}

QString CProgressDlg::StatusText() const {
  return status_->text();
}

QString CProgressDlg::PercentText() const {
  return percent_->text();
}

int CProgressDlg::Position() const {
  return bar_->value();
}

void CProgressDlg::accept() {}

void CProgressDlg::reject() {
  RequestCancel();
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
  RequestCancel();
  event->ignore();
}

void CProgressDlg::GiveOwnerBack() {
  if (ownerDisabled_ && owner_ != nullptr) owner_->setEnabled(true);
  ownerDisabled_ = false;
}
