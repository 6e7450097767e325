// The progress window of a load: status line, percent text, bar and cancel button. It is
// modeless but disables the main window while it exists, and its pump is the only place
// where window events are processed during a load.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <cstdint>
#include <functional>

#include "base/messages.h"
#include "base/progress_estimate.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
  Q_OBJECT

 public:
  // The cancel button speaks `language`.
  explicit CProgressDlg(Language language = Language::kFrench);
  ~CProgressDlg() override;

  // Disables the top-level window of `parent` (when enabled) and shows this window above
  // it with `caption` as its title.
  bool OpenProgress(QWidget* parent, const QString& caption);
  void SetProgressText(const QString& text);
  // Pumps pending events, moves the bar, rewrites the percent text when it changed;
  // returns the bar's previous position.
  int SetProgressPosition(int position);
  // Pumps pending events; returns the cancel request (1 or 0) and clears it.
  int PollCancel();
  // Processes every event already waiting and returns; never waits for one.
  void PumpPendingMessages();
  // Gives the main window back its enabled state and hides this window.
  void CloseProgress();

  QString StatusText() const;
  QString PercentText() const;
  // The time left of the step under way ("1:15 left"), empty until it is known.
  QString TimeLeftText() const;
  // The clock the time left is measured on, in milliseconds (the steady clock when unset).
  void SetClock(std::function<std::int64_t()> nowMs) { nowMs_ = std::move(nowMs); }
  int Position() const;
  QPushButton* CancelButton() const { return cancel_; }
  // Times the percent text was actually rewritten (for the flicker rule).
  int PercentTextWrites() const { return percentWrites_; }

 public slots:
  void accept() override;  // no OK command: nothing happens
  void reject() override;  // Escape and the cancel button: a cancel request

 protected:
  void closeEvent(QCloseEvent* event) override;  // the close box: a cancel request

 private:
  void RequestCancel() { cancelRequest_ = 1; }
  void GiveOwnerBack();
  std::int64_t NowMs() const;
  void ShowTimeLeft();

  QLabel* status_ = nullptr;
  QLabel* percent_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* timeLeft_ = nullptr;
  CProgressModel model_;
  QElapsedTimer steady_;
  std::function<std::int64_t()> nowMs_;
  QPushButton* cancel_ = nullptr;
  const int lower_ = 0;
  const int upper_ = 100;
  Language language_;
  int cancelRequest_ = 0;
  bool ownerDisabled_ = false;
  QPointer<QWidget> owner_;
  int percentWrites_ = 0;
};
