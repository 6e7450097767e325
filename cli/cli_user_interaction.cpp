#include "cli/cli_user_interaction.h"

#include <cctype>
#include <optional>

#include "base/messages.h"
#include "cli/cli_console.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_texts.h"

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

namespace {

const char* AnswerName(int answer) {
  if (answer == kResultYes) return "Yes";
  if (answer == kResultNo) return "No";
  return "none";
}

}  // namespace

int CCliUserInteraction::ShowMessageBox(const MessageBoxRequest& request) {
  std::unique_lock<std::mutex> lock(mutex_);
  const int number = request.messageId;
  WriteLines("[" + std::to_string(number) + "] ", request.text);
  if (!request.detail.empty()) WriteLines("[file] ", request.detail);
  int result = kResultOk;
  if (request.style == kStyleQuestion) {
    // The serial port's own boxes may still come while the user thinks.
    lock.unlock();
    int answer = StopRequested() ? UnattendedAnswer(request) : Ask(number, request.text);
    lock.lock();
    // A stop ends the question with the answer that loses nothing, whatever was typed.
    if (StopRequested()) answer = UnattendedAnswer(request);
    progress_.Hide();
    console_.out << "[answer] " << AnswerName(answer) << '\n' << std::flush;
    result = answer;
  }
  progress_.Show();
  return result;
}

int CCliUserInteraction::Ask(int number, const std::string& question) {
  if (answer_) return *answer_ ? kResultYes : kResultNo;
  // Nobody to answer: no guess that could lose the receiver's tables.
  if (!console_.inputIsTerminal) return UnattendedAnswer(number);
  // Ctrl+C answers the question, also when no progress window is open: No to the
  // confirmation of a cancel, the answer that loses nothing to the others.
  interrupts_.DiscardPresses();
  interrupts_.SetWatching(true);
  std::optional<bool> yes = ReadAnswerFromTerminal(question);
  interrupts_.SetWatching(progressOpen_);
  if (!yes) return number == kMsgConfirmAbort ? kResultNo : UnattendedAnswer(number);
  return *yes ? kResultYes : kResultNo;
}

std::optional<bool> CCliUserInteraction::ReadAnswerFromTerminal(const std::string& question) {
  // With standard output in a file the user would otherwise not see what is asked.
  if (!console_.outIsTerminal) console_.err << question << '\n';
  console_.err << Say(language_, {"Yes or No? [y/N] ", "Oui ou Non ? [o/N] "}) << std::flush;
  std::string line;
  const TerminalRead read = ReadTerminalLine(
      console_, interrupts_,
      [this] { return interrupts_.StopSignal() != 0 || interrupts_.TakePress(); }, line);
  if (read == TerminalRead::kInterrupted) {
    console_.err << '\n' << std::flush;
    return std::nullopt;
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
  progress_.Show();
}

void CCliUserInteraction::ShowPortOpenFailure(const PortOpenFailure& failure) {
  ShowSerialMessage(PortOpenFailureText(failure, language_ == Language::kFrench));
}

void CCliUserInteraction::ShowFileReadError() {
  std::lock_guard<std::mutex> lock(mutex_);
  WriteLines("[file] ", kFileReadErrorText);
  progress_.Show();
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
  if (StopRequested()) return 1;
  return interrupts_.TakePress() ? 1 : 0;
}

int CCliUserInteraction::StopSignal() const {
  if (int signal = interrupts_.StopSignal(); signal != 0) return signal;
  // Ctrl+C where nobody can confirm the cancel it asks for: it is confirmed.
  if (!unconfirmableInterrupt_ && !answer_ && !console_.inputIsTerminal && interrupts_.TakePress())
    unconfirmableInterrupt_ = true;
  return unconfirmableInterrupt_ ? UnconfirmedPressStop() : 0;
}

bool CCliUserInteraction::StopRequested() const {
  return StopSignal() != 0;
}

std::string CCliUserInteraction::StopCause() const {
  const int signal = StopSignal();
  return signal != 0 ? DescribeStop(signal) : std::string();
}

std::string PortName(int portNumber, const std::string& device) {
  std::string port = "COM" + std::to_string(portNumber);
  if (!device.empty() && device != port) port += " (" + device + ")";
  return port;
}

std::optional<OutcomeLine> OutcomeLineOf(const LoadOutcome& outcome, int portNumber,
                                         const std::string& device, Language language) {
  const std::string port = PortName(portNumber, device);
  switch (outcome.end) {
    case LoadEnd::kLoaded:
      return std::nullopt;
    case LoadEnd::kCancelled:
      if (outcome.told) return std::nullopt;
      return OutcomeLine{"[cancelled] ", "load on " + port + " stopped by " +
                                             (outcome.stopCause.empty() ? std::string("the user")
                                                                        : outcome.stopCause)};
    case LoadEnd::kRefused:
      if (outcome.messageId == kMsgLastLoadingUnfinished) {
        return OutcomeLine{
            "[refused] ",
            "load on " + port +
                " not started: the last load on this port did not finish, and its receiver's "
                "tables are saved in ~tmp" +
                std::to_string(portNumber) +
                ".tmp. Nothing was sent. Run again with --answer yes to restore them into the "
                "same receiver, or with --answer no to read another receiver."};
      }
      if (outcome.told) return std::nullopt;
      return OutcomeLine{"[refused] ", "load on " + port +
                                           " not started: " + UntoldOutcomeText(outcome, language)};
    case LoadEnd::kFailed:
      if (outcome.told) return std::nullopt;
      return OutcomeLine{"[failed] ",
                         "load on " + port +
                             (outcome.detail.empty() ? std::string(" ended without a message")
                                                     : ": " + outcome.detail)};
  }
  return std::nullopt;
}

void CCliUserInteraction::TellLoadOutcome(const LoadOutcome& outcome, int portNumber,
                                          const std::string& device) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::optional<OutcomeLine> line = OutcomeLineOf(outcome, portNumber, device, language_))
    WriteLines(line->prefix, line->text);
}

void CCliUserInteraction::CloseProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.Close();
  progressOpen_ = false;
  interrupts_.SetWatching(false);
}
