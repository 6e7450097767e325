// The progress window of a load: status line, percent text, bar and cancel button. It is
// modeless but disables the main window while it exists, and its pump is the only place
// where window messages are processed during a load.
#pragma once

#include <windows.h>

#include <string>

#include "base/messages.h"
#include "base/progress_estimate.h"

class CProgressDlg {
 public:
  // The cancel button speaks `language`.
  explicit CProgressDlg(Language language = Language::kFrench);
  // Destroys the window when it still exists, giving the owner back its enabled state.
  ~CProgressDlg();
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  // Disables the top-level owner of `parent` (when enabled) and creates the window over it
  // with `caption` as its title. False when the window could not be created; the owner is
  // then enabled again.
  bool OpenProgress(HWND parent, const std::wstring& caption);
  void SetProgressText(const std::wstring& text);
  // Pumps pending messages, moves the bar, rewrites the percent text when it changed;
  // returns the bar's previous position.
  int SetProgressPosition(int position);
  // Pumps pending messages; returns the cancel request (1 or 0) and clears it.
  int PollCancel();
  // Processes every message already waiting in the thread's queue and returns; never waits.
  void PumpPendingMessages();
  // Gives the owner back its enabled state and destroys the window.
  void CloseProgress();

  HWND Window() const { return window_; }
  std::wstring StatusText() const;
  std::wstring PercentText() const;
  int Position() const;
  // Times the percent text was actually rewritten (it is rewritten only when it changes).
  int PercentTextWrites() const { return percentWrites_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void GiveOwnerBack();

  HWND window_ = nullptr;
  HWND owner_ = nullptr;
  std::wstring caption_;
  const int lower_ = 0;
  const int upper_ = 100;
  const int step_ = 5;
  Language language_;
  int cancelRequest_ = 0;
  bool ownerDisabled_ = false;
  int percentWrites_ = 0;
  CProgressModel model_;  // the percent text the window shows
};
