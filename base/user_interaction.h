// What the core asks of the user interface. The Qt shell shows real windows, the
// command-line front end prints, tests script the answers and record what was shown.
#pragma once

#include <string>

#include "base/messages.h"

// Why the serial port could not open COMn: what a user needs to put it right.
struct PortOpenFailure {
  int portNumber = 0;
  std::string devicePath;  // empty when COMn names no device
  int errorCode = 0;       // the system's error, 0 when `reason` says why
  std::string reason;      // the system's error text, or why the device was refused
  // Permission denied: who owns the device node, and whether joining its group is the cure
  // (empty owner when it could not be learnt).
  std::string deviceOwner;
  std::string deviceGroup;
  bool groupMayOpen = false;
  // Other programs that have the device open ("ModemManager (PID 812)"); the port was left
  // alone for them.
  std::string holders;
};

// English: "COM1 (/dev/ttyUSB0) could not be opened: Permission denied. ..."; French when
// `french`. The port layer's own text, apart from the message table.
std::string PortOpenFailureText(const PortOpenFailure& failure, bool french = false);

struct MessageBoxRequest {
  int messageId = 0;  // the message (its number in the French block); 0: a text of no message
  Language language = Language::kFrench;  // the language of the text and the caption
  std::string text;                       // UTF-8, '\n' for a line break
  std::string caption;                    // message 132 in the same language
  int style = 0;                          // 16, 36, 48 or 64
  std::string detail;                     // shown under the text, when not empty (UTF-8)

  // The message's number in its language's block (TextNumber, base/messages.h); 0 for a text
  // of no message.
  int TextNumber() const { return messageId != 0 ? ::TextNumber(messageId, language) : 0; }
};

// The answer to a box when nobody can answer it (a stop request, no terminal): OK for a box
// that asks nothing, else the answer that loses nothing (UnattendedAnswer, base/messages.h).
int UnattendedAnswer(const MessageBoxRequest& request);

class UserInteraction {
 public:
  virtual ~UserInteraction() = default;

  // A box with a text of the message table; returns the pressed button (6 = Yes).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;

  // The serial layer's own English boxes (OK button alone). May be called from the
  // port's reader thread.
  virtual void ShowSerialMessage(const std::string& text) = 0;

  // The English "Error while reading file" box of the file readers (OK button alone).
  virtual void ShowFileReadError() = 0;

  // The serial port could not open its device. Shown as the port's own English box unless
  // the interface says it better.
  virtual void ShowPortOpenFailure(const PortOpenFailure& failure) {
    ShowSerialMessage(PortOpenFailureText(failure));
  }

  // The progress window of a load. OpenProgress disables the main window until
  // CloseProgress; the caption is already the text to show.
  virtual bool OpenProgress(const std::string& caption) = 0;
  virtual void SetProgressText(const std::string& text) = 0;
  // Pumps pending window events, moves the bar, returns the previous position.
  virtual int SetProgressPosition(int position) = 0;
  // Pumps pending window events; returns 1 once per cancel request, else 0.
  virtual int PollCancel() = 0;
  virtual void CloseProgress() = 0;

  // A stop that nobody confirms (a signal, a log-off, a closing console, Ctrl+C where nobody
  // can answer): empty when none was asked; else what asked for it, as the outcome names it
  // after "stopped by " ("signal: Terminated"). It stays asked. The load stops at its next
  // poll, and questions get UnattendedAnswer.
  virtual std::string StopCause() const { return {}; }
};

inline constexpr const char* kFileReadErrorText = "Error while reading file";
