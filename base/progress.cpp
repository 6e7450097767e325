#include "base/progress.h"

#include "base/messages.h"
#include "base/user_interaction.h"

std::string ProgressPercentText(int position, int lower, int upper) {
  if (upper == lower) return "0%";
  long long percent = (static_cast<long long>(position) - lower) * 100 / (upper - lower);
  if (percent != 100) percent %= 100;
  return std::to_string(percent) + "%";
}

CProgress::CProgress(UserInteraction& ui, Language language, int captionId)
    : ui_(ui), language_(language), captionNumber_(TextNumber(captionId, language)) {}

CProgress::~CProgress() {
  CloseProgress();
}

bool CProgress::OpenProgress() {
  if (open_) return true;
  open_ = ui_.OpenProgress(LoadTextByNumber(captionNumber_));
  return open_;
}

void CProgress::SetProgressText(const std::string& text) {
  if (open_) ui_.SetProgressText(text);
}

int CProgress::SetProgressPosition(int position) {
  return open_ ? ui_.SetProgressPosition(position) : 0;
}

int CProgress::PollCancel() {
  return open_ ? ui_.PollCancel() : 0;
}

CancelAnswer CProgress::CheckCancel(CancelRule rule) {
  switch (rule) {
    case CancelRule::kStopOnly:
      return ui_.StopCause().empty() ? CancelAnswer::kNoRequest : CancelAnswer::kConfirmed;
    case CancelRule::kAtOnce:
      return PollCancel() == 0 ? CancelAnswer::kNoRequest : CancelAnswer::kConfirmed;
    case CancelRule::kAsk:
      break;
  }
  if (PollCancel() == 0) return CancelAnswer::kNoRequest;
  const int answer = ShowMessageById(ui_, language_, kMsgConfirmAbort, kStyleQuestion);
  return answer == kResultYes ? CancelAnswer::kConfirmed : CancelAnswer::kDeclined;
}

void CProgress::CloseProgress() {
  if (!open_) return;
  open_ = false;
  ui_.CloseProgress();
}
