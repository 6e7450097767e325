#include "loader/second/tk_result.h"

#include "app/loader_state.h"
#include "app/messages.h"

TkResultMessage TkResultMessageOf(LoadStepResult result) {
  switch (result) {
    case StepWrongType:
      return {kMsgWrongReceiverType, kStyleExclamation};
    case StepLoadChecksum:
      return {kMsgLoadingChecksum, kStyleExclamation};
    case StepProgramChecksum:
      return {kMsgProgramChecksum, kStyleExclamation};
    case StepFileOpen:
      return {kMsgTempFileError, kStyleExclamation};
    case StepLoadFailed:
      return {kMsgLoadingFailed, kStyleExclamation};
    case StepUserCancel:
      return {kMsgUserCancel, kStyleInformation};
    case StepPortNotReady:
      return {kMsgPortNotReady, kStyleExclamation};
    case StepNoReply:
      return {kMsgBadDataOnInput, kStyleExclamation};
    default:
      break;
  }
  if (result >= 0) return {0, 0};
  return {kMsgUnknownError, kStyleExclamation};
}

void TkReportResult(CLoaderState& w, LoadStepResult result) {
  TkResultMessage message = TkResultMessageOf(result);
  if (message.messageId == 0) return;
  ShowMessageById(w.ui, w.language, message.messageId, message.style);
}
