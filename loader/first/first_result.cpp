#include "loader/first/first_result.h"

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

void ReportUntoldOpenFailure(const SerialLink& port, UserInteraction& ui, Language language) {
  if (!port.OpenFailureTold()) ReportFirstResult(ui, language, FirstResult::kPortNotReady);
}
