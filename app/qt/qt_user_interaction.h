// The desktop program's side of the UserInteraction seam: real Qt message boxes over the
// main window and the progress window of a load.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "base/messages.h"
#include "base/user_interaction.h"

class CProgressDlg;
class QMessageBox;

class CQtUserInteraction : public QObject, public UserInteraction {
  Q_OBJECT

 public:
  CQtUserInteraction();
  ~CQtUserInteraction() override;

  // The main window: owner of the boxes and of the progress window.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // The language of the boxes and windows this side makes itself.
  void SetLanguage(Language language) { language_ = language; }

  // After a stop request the box is not shown (its text goes to standard error): a question
  // gets the answer that loses nothing (UnattendedAnswer).
  int ShowMessageBox(const MessageBoxRequest& request) override;
  // The box ShowMessageBox shows, not yet shown, with the request's detail beneath its text.
  std::unique_ptr<QMessageBox> PrepareMessageBox(const MessageBoxRequest& request) const;
  // From the serial layer's reader thread too: handed to the user-interface thread.
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override;
  // A box in the running language that names COMn, its device and why it did not open.
  void ShowPortOpenFailure(const PortOpenFailure& failure) override;

  // SIGTERM or SIGHUP: a confirmed cancel. The load stops at its next cancel point (every
  // poll answers 1 from now on) and a box that waits for an answer is closed.
  void RequestStop(int signal);
  bool StopRequested() const { return stopSignal_ != 0; }
  std::string StopCause() const override;

  bool OpenProgress(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  int SetProgressPosition(int position) override;
  int PollCancel() override;
  void CloseProgress() override;

  // The progress window while a load runs, else null.
  CProgressDlg* Progress() const { return progress_.get(); }

 protected:
  // The window a box belongs to: the progress window during a load (the main window is
  // disabled then, and a box owned by it could not be answered), else the main window.
  QWidget* BoxOwner() const;
  // Shows the box and waits for the user's answer.
  virtual int ExecMessageBox(const MessageBoxRequest& request);

 private:
  QPointer<QWidget> owner_;
  std::unique_ptr<CProgressDlg> progress_;
  Language language_ = Language::kFrench;
  int stopSignal_ = 0;
  QPointer<QMessageBox> openBox_;  // the box waiting for an answer, if any
};

// A box with the icon and buttons of `style` (16 stop, 36 question with Yes and No,
// 48 exclamation, 64 information), not yet shown; at least as wide as its title.
std::unique_ptr<QMessageBox> CreateMessageBox(QWidget* owner, const MessageBoxRequest& request);
// The system's result for the button pressed in such a box: 6 Yes, 7 No, 1 OK.
int MessageBoxResult(int standardButton);
