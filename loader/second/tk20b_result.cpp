#include "loader/second/tk20b_result.h"

#include "base/messages.h"
#include "loader/load_context.h"

Tk20bResultMessage Tk20bResultMessageOf(Tk20bResult result) {
  switch (result) {
    case kStepBadConfig:
      return {kMsgBadConfigFile, kStyleExclamation};
    case kStepWrongType:
      return {kMsgWrongReceiverType, kStyleExclamation};
    case kStepLoadChecksum:
      return {kMsgLoadingChecksum, kStyleExclamation};
    case kStepProgramChecksum:
      return {kMsgProgramChecksum, kStyleExclamation};
    case kStepFileOpen:
      return {kMsgTempFileError, kStyleExclamation};
    case kStepLoadFailed:
      return {kMsgLoadingFailed, kStyleExclamation};
    case kStepUserCancel:
      return {kMsgUserCancel, kStyleInformation};
    case kStepPortNotReady:
      return {kMsgPortNotReady, kStyleExclamation};
    case kStepNoReply:
      return {kMsgBadDataOnInput, kStyleExclamation};
    default:
      break;
  }
  if (result >= 0) return {0, 0};
  return {kMsgUnknownError, kStyleExclamation};
}

void Tk20bReportResult(LoadContext& context, Tk20bResult result, const std::string& detail) {
  Tk20bResultMessage message = Tk20bResultMessageOf(result);
  if (message.messageId == 0) return;
  ShowMessageById(context.ui, context.language, message.messageId, message.style, detail);
}
