#include "loader/first/first_result.h"

#include "base/user_interaction.h"
#include "loader/first/first_load.h"
#include "serial/serial_link.h"

FirstResultMessage FirstResultMessageOf(FirstResult result) {
  switch (result) {
    case FirstResult::kLoaded:
      return {kMsgLoadingOk, kStyleInformation};
    case FirstResult::kTempFileError:
      return {kMsgTempFileError, kStyleExclamation};
    case FirstResult::kBadDataOnInput:
      return {kMsgBadDataOnInput, kStyleExclamation};
    case FirstResult::kDopplerReadError:
      return {kMsgDopplerReadError, kStyleExclamation};
    case FirstResult::kCheckConnection:
      return {kMsgCheckConnection, kStyleExclamation};
    case FirstResult::kLoadingFailed:
      return {kMsgLoadingFailed, kStyleExclamation};
    case FirstResult::kBadChecksum:
      return {kMsgBadChecksum, kStyleExclamation};
    case FirstResult::kBadSoftwareVersion:
      return {kMsgBadSoftwareVersion, kStyleExclamation};
    case FirstResult::kBadConfigFile:
      return {kMsgBadConfigFile, kStyleExclamation};
    case FirstResult::kPortOpenError:
      return {kMsgPortOpenError, kStyleExclamation};
    case FirstResult::kFlashWriteError:
      return {kMsgFlashWriteError, kStyleExclamation};
    case FirstResult::kPortNotReady:
      return {kMsgPortNotReady, kStyleExclamation};
  }
  return {kMsgUnknownError, kStyleExclamation};
}

void ReportFirstResult(UserInteraction& ui, Language language, FirstResult result) {
  const FirstResultMessage message = FirstResultMessageOf(result);
  ShowMessageById(ui, language, message.messageId, message.style);
}

void ReportFirstResult(FirstLoad& load, FirstResult result, const std::string& detail) {
  const FirstResultMessage message = FirstResultMessageOf(result);
  ShowMessageById(load.context.ui, load.context.language, message.messageId, message.style, detail);
  if (!load.outcome) load.outcome = FailedOutcome(message.messageId, detail, true);
}

void NoteFirstCancel(FirstLoad& load) {
  if (!load.outcome) load.outcome = CancelledOutcome(load.context.ui.StopCause(), false);
}

void ReportUntoldOpenFailure(FirstLoad& load) {
  if (!load.context.port.OpenFailureTold()) {
    ReportFirstResult(load, FirstResult::kPortNotReady);
  } else if (!load.outcome) {
    // The serial layer's own message said why.
    load.outcome = FailedOutcome(0, {}, true);
  }
}
