
#include "base/system_error.h"
#include "base/user_interaction.h"

std::string PortOpenFailureText(const PortOpenFailure& failure, bool french) {
  const std::string com = "COM" + std::to_string(failure.portNumber);
  std::string text;
  if (failure.devicePath.empty()) {
    text = french ? "Le port " + com +
                        " n'a pas pu \xC3\xAAtre ouvert : aucun port s\xC3\xA9rie "
                        "ne lui correspond"
                  : com + " could not be opened: no serial device is known for it";
    text += french ? " (voir \"COMMUNICATION\"/\"" + com + "\" dans kznload.INI)."
                   : " (see \"COMMUNICATION\"/\"" + com + "\" in kznload.INI).";
    return text;
  }
  const std::string port = com + " (" + failure.devicePath + ")";
  text = french ? "Le port " + port + " n'a pas pu \xC3\xAAtre ouvert : " + failure.reason + "."
                : port + " could not be opened: " + failure.reason + ".";
  const SystemErrorKind kind = KindOfSystemError(failure.errorCode);
  if (kind == SystemErrorKind::kAccessDenied) {
    const std::string group = failure.deviceGroup.empty() ? "dialout" : failure.deviceGroup;
    text += french ? "\nL'utilisateur doit appartenir au groupe \"" + group +
                         "\" propri\xC3\xA9taire de " + failure.devicePath +
                         " (puis rouvrir sa session)."
                   : "\nThe user must belong to the group \"" + group + "\" that owns " +
                         failure.devicePath + " (then log in again).";
  } else if (kind == SystemErrorKind::kInUse) {
    text += french ? "\nUn autre programme utilise ce port." : "\nAnother program uses this port.";
  }
  return text;
}
