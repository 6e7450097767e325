#include "tests/support/recording_ui.h"

#include "base/messages.h"
#include "base/user_interaction.h"

int RecordingUi::ShowMessageBox(const MessageBoxRequest& request) {
  Shown shown{request.TextNumber(), request.style, request.text, request.caption, request.detail};
  messages.push_back(shown);
  if (onMessage) onMessage(shown);
  if (request.style != kStyleQuestion) return kResultOk;
  if (!stopCause.empty()) return UnattendedAnswer(request);
  if (answers.empty()) return kResultNo;
  int answer = answers.front();
  answers.pop_front();
  return answer;
}

void RecordingUi::ShowSerialMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(serialMutex_);
  serialMessages.push_back(text);
}

void RecordingUi::ShowPortOpenFailure(const PortOpenFailure& failure) {
  portFailures.push_back(failure);
}

void RecordingUi::ShowFileReadError() {
  ++fileReadErrors;
}

bool RecordingUi::OpenProgress(const std::string& caption) {
  progressCaption = caption;
  progressOpen = true;
  return true;
}

void RecordingUi::SetProgressText(const std::string& text) {
  progressTexts.push_back(text);
}

int RecordingUi::SetProgressPosition(int position) {
  int previous = positions.empty() ? 0 : positions.back();
  positions.push_back(position);
  return previous;
}

int RecordingUi::PollCancel() {
  ++polls;
  if (!stopCause.empty()) return 1;
  return (cancelWhen && cancelWhen()) ? 1 : 0;
}

void RecordingUi::CloseProgress() {
  progressOpen = false;
  ++progressClosed;
}

std::vector<int> RecordingUi::MessageIds() const {
  std::vector<int> ids;
  for (const Shown& m : messages)
    ids.push_back(m.textNumber >= 601 ? m.textNumber - 500 : m.textNumber);
  return ids;
}
