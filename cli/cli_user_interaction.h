// The user interface of kznload-cli: message boxes become lines on standard output,
// questions are answered by --answer, by the user at a terminal, or No; the progress window
// is a line on standard error and Ctrl+C its cancel button.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "base/messages.h"
#include "base/user_interaction.h"
#include "cli/cli_progress.h"
#include "loader/load_outcome.h"

class InterruptSource;

struct CliConsole {
  std::ostream& out;  // message lines, `list` and `info`
  std::ostream& err;  // progress and the question prompt
  bool outIsTerminal = false;
  bool errIsTerminal = false;
  int terminalColumns = 80;
  int inputFd = 0;  // where a user at a terminal answers questions
  bool inputIsTerminal = false;
};

class CCliUserInteraction : public UserInteraction {
 public:
  CCliUserInteraction(CliConsole console, InterruptSource& interrupts, std::optional<bool> answer);

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowSerialMessage(const std::string& text) override;
  // A "[serial]" line in the language of the run.
  void ShowPortOpenFailure(const PortOpenFailure& failure) override;
  void ShowFileReadError() override;
  bool OpenProgress(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  int SetProgressPosition(int position) override;
  int PollCancel() override;
  void CloseProgress() override;

  // The language of the run: its questions' prompt and the port's own lines speak it.
  void SetLanguage(Language language) {
    language_ = language;
    progress_.SetLanguage(language);
  }

  // The serial layer's diagnostics: a line on standard error that the bar makes room for.
  void WriteDiagnostic(const std::string& text);

  // After a load: the line that tells its outcome where no box told it (a confirmed cancel,
  // a refusal in our own words), naming COMn and its device; for an unfinished load nobody
  // could answer for, how to go on.
  void TellLoadOutcome(const LoadOutcome& outcome, int portNumber, const std::string& device);
  // A stop asked by a signal, or by Ctrl+C where nobody can confirm it: the load stops at
  // its next cancel point, and questions get the answer that loses nothing.
  bool StopRequested() const;
  std::string StopCause() const override;

 private:
  void WriteLines(const std::string& prefix, const std::string& text);
  // The answer to question `number`: --answer, the user at a terminal, or the answer that
  // loses nothing when nobody is there.
  int Ask(int number, const std::string& question);
  // The signal behind a stop, 0 when none.
  int StopSignal() const;
  // Yes or No; none when Ctrl+C ended the question.
  std::optional<bool> ReadAnswerFromTerminal(const std::string& question);

  CliConsole console_;
  InterruptSource& interrupts_;
  std::optional<bool> answer_;
  CProgressLine progress_;
  bool progressOpen_ = false;
  // Ctrl+C with no terminal and no --answer: nobody can confirm, so it is confirmed.
  mutable std::atomic<bool> unconfirmableInterrupt_{false};
  Language language_ = Language::kFrench;
  // The serial port's reader thread may show a box while the loading thread prints.
  mutable std::mutex mutex_;
};

// "COM1 (/dev/ttyUSB0)", or "COM1" when the device is COM1 itself or not known.
std::string PortName(int portNumber, const std::string& device);

// The line that tells a load's outcome where no box told it: "[cancelled] ", "[refused] " or
// "[failed] " and its text naming the port; for an unfinished load nobody could answer for,
// how to go on. None when the boxes have said it all.
struct OutcomeLine {
  std::string prefix;
  std::string text;
};
std::optional<OutcomeLine> OutcomeLineOf(const LoadOutcome& outcome, int portNumber,
                                         const std::string& device, Language language);
