#include "cli/cli_user_interaction.h"

#include <cctype>

#include "base/messages.h"
#include "base/open_failure.h"
#include "cli/cli_console.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_texts.h"

int FrenchBlockNumber(int textNumber) {
  int french = textNumber - kEnglishOffset;
  return french >= kFirstMessageId && french <= kLastMessageId ? french : textNumber;
}

CCliUserInteraction::CCliUserInteraction(CliConsole console, InterruptSource& interrupts,
                                         std::optional<bool> answer)
    : console_(console),
      interrupts_(interrupts),
      answer_(answer),
      progress_(console.err, console.errIsTerminal, console.terminalColumns) {}

void CCliUserInteraction::WriteLines(const std::string& prefix, const std::string& text) {
  progress_.Hide();
  std::string shown = text;
  while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
    shown.pop_back();
  console_.out << prefix << shown << '\n' << std::flush;
}

int CCliUserInteraction::ShowMessageBox(const MessageBoxRequest& request) {
  std::unique_lock<std::mutex> lock(mutex_);
  int number = FrenchBlockNumber(request.textNumber);
  if (number == kMsgLoadingOk) successShown_ = true;
  WriteLines("[" + std::to_string(number) + "] ", request.text);
  if (number == kMsgCatalogueOpenError && !catalogueFile_.empty())
    WriteLines("[file] ", DescribeOpenFailure(catalogueFile_));
  int result = kResultOk;
  outcomeTold_ = request.style != kStyleQuestion;
  if (cancelled_ && outcomeTold_) boxAfterCancel_ = true;
  if (request.style == kStyleQuestion) {
    // The serial port's own boxes may still come while the user thinks.
    lock.unlock();
    bool yes = StopRequested() ? false : AskYesNo(request.text);
    lock.lock();
    // A stop confirms the cancel and refuses everything else, whatever was typed.
    if (StopRequested()) yes = number == kMsgConfirmAbort;
    if (!yes && number == kMsgConfirmAbort) cancelled_ = false;
    progress_.Hide();
    console_.out << "[answer] " << (yes ? "Yes" : "No") << '\n' << std::flush;
    result = yes ? kResultYes : kResultNo;
  }
  progress_.Show();
  return result;
}

bool CCliUserInteraction::AskYesNo(const std::string& question) {
  if (answer_) return *answer_;
  if (!console_.inputIsTerminal) return false;
  // Ctrl+C answers the question No, also when no progress window is open.
  interrupts_.DiscardPresses();
  interrupts_.SetWatching(true);
  bool yes = ReadAnswerFromTerminal(question);
  interrupts_.SetWatching(progressOpen_);
  return yes;
}

bool CCliUserInteraction::ReadAnswerFromTerminal(const std::string& question) {
  // With standard output in a file the user would otherwise not see what is asked.
  if (!console_.outIsTerminal) console_.err << question << '\n';
  console_.err << Say(language_, {"Yes or No? [y/N] ", "Oui ou Non ? [o/N] "}) << std::flush;
  std::string line;
  const TerminalRead read = ReadTerminalLine(
      console_, interrupts_,
      [this] { return interrupts_.StopSignal() != 0 || interrupts_.TakePress(); }, line);
  if (read == TerminalRead::kInterrupted) {
    console_.err << '\n' << std::flush;
    return false;
  }
  for (char& c : line)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
    line.pop_back();
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
    line.erase(line.begin());
  }
  // "o"/"oui" too: the questions may be asked in French.
  return line == "y" || line == "yes" || line == "o" || line == "oui";
}

void CCliUserInteraction::ShowSerialMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  WriteLines("[serial] ", text);
  outcomeTold_ = true;
  progress_.Show();
}

void CCliUserInteraction::ShowPortOpenFailure(const PortOpenFailure& failure) {
  ShowSerialMessage(PortOpenFailureText(failure, language_ == Language::kFrench));
}

void CCliUserInteraction::ShowFileReadError() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++fileReadErrors_;
  WriteLines("[file] ", kFileReadErrorText);
  outcomeTold_ = true;
  progress_.Show();
}

void CCliUserInteraction::SetCatalogueFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  catalogueFile_ = path;
}

void CCliUserInteraction::WriteDiagnostic(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.Hide();
  std::string shown = text;
  while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
    shown.pop_back();
  console_.err << shown << '\n' << std::flush;
  progress_.Show();
}

bool CCliUserInteraction::OpenProgress(const std::string& /*caption*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  progressOpen_ = true;
  progress_.Open();
  outcomeTold_ = false;
  // A Ctrl+C pressed before the window existed cancels nothing.
  interrupts_.DiscardPresses();
  interrupts_.SetWatching(true);
  return true;
}

void CCliUserInteraction::SetProgressText(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.SetText(text);
}

int CCliUserInteraction::SetProgressPosition(int position) {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_.SetPosition(position);
}

int CCliUserInteraction::PollCancel() {
  {
    // The elapsed time also moves on while a step waits.
    std::lock_guard<std::mutex> lock(mutex_);
    progress_.Tick();
  }
  if (!StopRequested()) {
    if (!interrupts_.TakePress()) return 0;
    if (!answer_ && !console_.inputIsTerminal) unconfirmableInterrupt_ = true;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  // A step may end at once on it, without a box; the run's last line must still say so.
  if (!cancelled_) boxAfterCancel_ = false;
  cancelled_ = true;
  return 1;
}

int CCliUserInteraction::StopSignal() const {
  if (int signal = interrupts_.StopSignal(); signal != 0) return signal;
  return unconfirmableInterrupt_ ? UnconfirmedPressStop() : 0;
}

bool CCliUserInteraction::StopRequested() const {
  return StopSignal() != 0;
}

void CCliUserInteraction::TellLoadOutcome(int portNumber, const std::string& device) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (successShown_) return;
  std::string port = "COM" + std::to_string(portNumber);
  if (!device.empty() && device != port) port += " (" + device + ")";
  if (cancelled_ && !boxAfterCancel_) {
    const int signal = StopSignal();
    WriteLines("[cancelled] ",
               "load on " + port + " stopped " +
                   (signal != 0 ? "by " + DescribeStop(signal) : std::string("by the user")));
  } else if (!outcomeTold_) {
    WriteLines("[failed] ", "load on " + port + " ended without a message");
  }
}

void CCliUserInteraction::CloseProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.Close();
  progressOpen_ = false;
  interrupts_.SetWatching(false);
}

bool CCliUserInteraction::SuccessShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return successShown_;
}

int CCliUserInteraction::FileReadErrors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fileReadErrors_;
}
