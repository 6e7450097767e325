// The main window: port, receiver type, language version or file, version label and the
// start button. A thin shell over CLoaderState: each handler runs the window's operation
// from app/main_window_logic.h and then shows the state again.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "base/messages.h"

class CLoaderState;
class CWin32UserInteraction;

class CLoaderDlg {
 public:
  // `ui` is the state's user interaction; `askLanguage` shows the language window at the
  // first start (the real window when empty).
  CLoaderDlg(CLoaderState& state, CWin32UserInteraction& ui,
             std::function<std::optional<Language>(HWND)> askLanguage = {});
  CLoaderDlg(const CLoaderDlg&) = delete;
  CLoaderDlg& operator=(const CLoaderDlg&) = delete;

  // Creates the window from its template, initialises it with `catalogueFolder` and runs it
  // modally until it is closed.
  INT_PTR DoModal(const std::string& catalogueFolder);

  HWND Window() const { return window_; }
  bool IsLoading() const { return loading_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void OnCommand(int id, int notification);
  void OnClose();
  // Whether the session may end now: not while a load runs, which goes on; the system shows
  // the reason given at the load's start. Only the session's end itself (WM_ENDSESSION with
  // TRUE) stops the load.
  bool OnQueryEndSession() const;
  void OnEndSession(bool ending);
  // Tells the system why the session should not end now, for the time of a load.
  void BlockSessionEnd();
  void UnblockSessionEnd();
  // Stores what the window keeps (placement, choices) and ends it.
  void SaveAndEnd();
  void SetUpControls();
  void RestorePlacement(const WINDOWPLACEMENT& placement);
  void ShowState();
  void ShowPort();
  void ShowControl(int id, bool visible);
  void OnChooseFile();
  void OnStart();

  CLoaderState& w_;
  CWin32UserInteraction& ui_;
  std::function<std::optional<Language>(HWND)> askLanguage_;
  std::string catalogueFolder_;
  HWND window_ = nullptr;
  HICON largeIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  bool loading_ = false;
  // The initialisation has returned: before that nothing is the user's to save.
  bool started_ = false;
  // The session ends: the window ends as soon as no load runs.
  bool sessionEnding_ = false;
  // A reason given to the system for holding up the session's end, removed after the load.
  bool blockingSessionEnd_ = false;
};
