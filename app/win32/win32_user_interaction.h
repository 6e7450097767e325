// The Windows program's side of the UserInteraction seam: MessageBoxW over the main window
// and the progress window of a load.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/messages.h"
#include "base/user_interaction.h"

class CProgressDlg;

class CWin32UserInteraction : public UserInteraction {
 public:
  // Made on the thread that runs the windows.
  CWin32UserInteraction();
  ~CWin32UserInteraction() override;

  // The main window: owner of the boxes and of the progress window.
  void SetOwner(HWND owner) { owner_ = owner; }
  // The language of the boxes and windows this side makes itself.
  void SetLanguage(Language language) { language_ = language; }
  // A file that gets one line per box shown ("[623] text", "[serial] text"), for tests that
  // drive the program from outside; none when empty.
  void SetMessageLog(const std::wstring& path) { messageLog_ = path; }

  // The box's pressed button: 6 Yes, 7 No, 1 OK. The request's detail follows its text.
  int ShowMessageBox(const MessageBoxRequest& request) override;
  // From the serial layer's reader thread too, which must never wait on a window: there
  // the box gets a thread of its own.
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override;
  // A box in the running language that names COMn, its device and why it did not open.
  void ShowPortOpenFailure(const PortOpenFailure& failure) override;

  bool OpenProgress(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  int SetProgressPosition(int position) override;
  int PollCancel() override;
  void CloseProgress() override;

  // The progress window while a load runs, else null.
  CProgressDlg* Progress() const { return progress_.get(); }

  // The session ends (log-off, shutdown): a confirmed cancel, as closing the console is for
  // the command-line program. The boxes and windows open over the main window end at once
  // (their loops would hold the load up, and nobody is left to answer them); from then on
  // every poll is a cancel request, questions get the answer that loses nothing
  // (UnattendedAnswer) and no box is shown, until ClearStop.
  void RequestStop();
  bool StopRequested() const { return stopRequested_; }
  void ClearStop() { stopRequested_ = false; }
  std::string StopCause() const override {
    return stopRequested_ ? "the session ending" : std::string();
  }

 private:
  // The progress window during a load (the main window is disabled then, and a box owned
  // by it could not be answered), else the main window.
  HWND BoxOwner() const;
  int ShowBox(const std::wstring& text, int style);
  // The answer to a box while the session ends, logged as the box would have been answered.
  int StoppedAnswer(const MessageBoxRequest& request) const;
  // Ends the dialogs this thread has open besides the main and the progress window.
  void EndOpenDialogs() const;
  void LogMessage(const std::string& tag, const std::string& text) const;

  HWND owner_ = nullptr;
  DWORD windowThread_;
  std::unique_ptr<CProgressDlg> progress_;
  std::wstring messageLog_;
  Language language_ = Language::kFrench;
  bool stopRequested_ = false;
};
