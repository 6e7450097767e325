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

  // The catalogue file a message 110 is about: its path and the reason follow the message
  // as a "[file]" line.
  void SetCatalogueFile(const std::string& path);
  // The language of the run: its questions' prompt and the port's own lines speak it.
  void SetLanguage(Language language) {
    language_ = language;
    progress_.SetLanguage(language);
  }

  // The serial layer's diagnostics: a line on standard error that the bar makes room for.
  void WriteDiagnostic(const std::string& text);

  // Whether the success message (123) was shown: a load tells its outcome only in boxes.
  bool SuccessShown() const;
  // After a load: where the system showed no box for its end (a confirmed cancel), the line
  // that tells it, naming COMn, its device and why.
  void TellLoadOutcome(int portNumber, const std::string& device);
  // A stop asked by a signal, or by Ctrl+C where nobody can confirm it: the load stops at
  // its next cancel point, and every question but the cancel confirmation is answered No.
  bool StopRequested() const;
  // How many "Error while reading file" lines were printed.
  int FileReadErrors() const;

 private:
  void WriteLines(const std::string& prefix, const std::string& text);
  bool AskYesNo(const std::string& question);
  // The signal behind a stop, 0 when none.
  int StopSignal() const;
  bool ReadAnswerFromTerminal(const std::string& question);

  CliConsole console_;
  InterruptSource& interrupts_;
  std::optional<bool> answer_;
  CProgressLine progress_;
  bool progressOpen_ = false;
  bool successShown_ = false;
  // Ctrl+C with no terminal and no --answer: nobody can confirm, so it is confirmed.
  std::atomic<bool> unconfirmableInterrupt_{false};
  // A poll answered cancel and it was not withdrawn (the confirmation answered No), and
  // whether a box came after it.
  bool cancelled_ = false;
  bool boxAfterCancel_ = false;
  // The last line on standard output told how the load ended (not a question).
  bool outcomeTold_ = false;
  int fileReadErrors_ = 0;
  std::string catalogueFile_;
  Language language_ = Language::kFrench;
  // The serial port's reader thread may show a box while the loading thread prints.
  mutable std::mutex mutex_;
};

// The number of a message in the French block (101 to 146) for a text number of either
// language; other numbers stay as they are.
int FrenchBlockNumber(int textNumber);
