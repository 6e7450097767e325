#include "app/qt/progress_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "app/qt/window_fit.h"
#include "base/messages.h"
#include "base/progress_estimate.h"

CProgressDlg::CProgressDlg(Language language) : QDialog(nullptr), language_(language) {
  // No parent: a disabled main window would disable its child windows too, and this one
  // must stay usable while the main window is disabled.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setObjectName("progressWindow");
  status_ = new QLabel(this);
  status_->setObjectName("statusText");
  status_->setMinimumWidth(320);
  percent_ = new QLabel(QString::fromStdString(model_.PercentText()), this);
  percent_->setObjectName("percentText");
  percent_->setAlignment(Qt::AlignHCenter);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(lower_, upper_);
  bar_->setValue(lower_);
  bar_->setTextVisible(false);
  timeLeft_ = new QLabel(this);
  timeLeft_->setObjectName("timeLeft");
  timeLeft_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Its line is there from the start, so the window keeps its size when it fills.
  timeLeft_->setMinimumHeight(timeLeft_->fontMetrics().height());
  steady_.start();
  cancel_ = new QPushButton(this);
  cancel_->setObjectName("cancelButton");
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_);
  layout->addWidget(percent_);
  layout->addWidget(bar_);
  layout->addWidget(timeLeft_);
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
  cancel_->setText(QString::fromStdString(LoadMessageText(kMsgCancelButton, language_)));
  cancelRequest_ = 0;
  // One size for the whole load: no resize handle, no maximise button, the title whole.
  FixSizeToContent(*this);
  if (owner_ != nullptr) {
    // Kept above the main window by the window manager, centred on it.
    winId();
    if (QWindow* ownerWindow = owner_->windowHandle(); ownerWindow != nullptr)
      windowHandle()->setTransientParent(ownerWindow);
    move(owner_->frameGeometry().center() - rect().center());
  }
  show();
  return true;
}

void CProgressDlg::SetProgressText(const QString& text) {
  model_.SetText(text.toStdString(), NowMs());
  status_->setText(text);
  ShowTimeLeft();
}

int CProgressDlg::SetProgressPosition(int position) {
  PumpPendingMessages();
  const int previous = bar_->value();
  bar_->setValue(position);
  model_.SetPosition(position, NowMs());
  ShowTimeLeft();
  const QString text = QString::fromStdString(model_.PercentText());
  if (percent_->text() != text) {
    percent_->setText(text);
    ++percentWrites_;
  }
  return previous;
}

std::int64_t CProgressDlg::NowMs() const {
  return nowMs_ ? nowMs_() : steady_.elapsed();
}

void CProgressDlg::ShowTimeLeft() {
  const QString text = QString::fromStdString(model_.TimeLeftText(NowMs(), language_));
  if (timeLeft_->text() != text) timeLeft_->setText(text);
}

int CProgressDlg::PollCancel() {
  ShowTimeLeft();  // the time left moves on while a step waits
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

QString CProgressDlg::TimeLeftText() const {
  return timeLeft_->text();
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
