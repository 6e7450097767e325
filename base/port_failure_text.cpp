#include <string>

#include "base/system_error.h"
#include "base/user_interaction.h"

namespace {

// Another program has the device open: nothing was sent, and the user is told who it is.
std::string HeldText(const PortOpenFailure& failure, const std::string& port, bool french) {
  std::string text =
      french ? "Le port " + port +
                   " n'a pas pu être ouvert : un autre programme l'a ouvert : " + failure.holders +
                   ".\nRien n'a été envoyé au récepteur. Fermez ce programme, ou tenez-le à "
                   "l'écart de ce port, puis recommencez."
             : port + " could not be opened: another program has it open: " + failure.holders +
                   ".\nNothing was sent to the receiver. Close that program, or keep it away from "
                   "this port, then start again.";
  if (failure.holders.find("ModemManager") != std::string::npos) {
    text += french ? "\nModemManager sonde chaque nouvel adaptateur série ; une règle udev le "
                     "tient à l'écart de celui-ci (voir Troubleshooting dans le README)."
                   : "\nModemManager probes every new serial adapter; a udev rule keeps it away "
                     "from this one (see Troubleshooting in the README).";
  }
  return text;
}

// Permission denied: joining the device's group is the cure only where that group may open
// it and is one a user joins; otherwise its owner or a udev rule must grant access.
std::string AccessAdvice(const PortOpenFailure& failure, bool french) {
  if (failure.deviceGroup.empty()) return "";
  if (failure.groupMayOpen) {
    return french ? "\nL'utilisateur doit appartenir au groupe \"" + failure.deviceGroup +
                        "\" propriétaire de " + failure.devicePath + " (puis rouvrir sa session)."
                  : "\nThe user must belong to the group \"" + failure.deviceGroup +
                        "\" that owns " + failure.devicePath + " (then log in again).";
  }
  return french ? "\n" + failure.devicePath + " appartient à l'utilisateur \"" +
                      failure.deviceOwner + "\" et au groupe \"" + failure.deviceGroup +
                      "\" : une règle udev ou l'administrateur doit en donner l'accès à cet "
                      "utilisateur (voir Troubleshooting dans le README)."
                : "\n" + failure.devicePath + " belongs to user \"" + failure.deviceOwner +
                      "\" and group \"" + failure.deviceGroup +
                      "\": a udev rule or the administrator must grant this user access to it (see "
                      "Troubleshooting in the README).";
}

}  // namespace

std::string PortOpenFailureText(const PortOpenFailure& failure, bool french) {
  const std::string com = "COM" + std::to_string(failure.portNumber);
  std::string text;
  if (failure.devicePath.empty()) {
    text = french
               ? "Le port " + com + " n'a pas pu être ouvert : aucun port série ne lui correspond"
               : com + " could not be opened: no serial device is known for it";
    text += french ? " (voir \"COMMUNICATION\"/\"" + com + "\" dans kznload.INI)."
                   : " (see \"COMMUNICATION\"/\"" + com + "\" in kznload.INI).";
    return text;
  }
  const std::string port = com + " (" + failure.devicePath + ")";
  if (!failure.holders.empty()) return HeldText(failure, port, french);
  text = french ? "Le port " + port + " n'a pas pu être ouvert : " + failure.reason + "."
                : port + " could not be opened: " + failure.reason + ".";
  const SystemErrorKind kind = KindOfSystemError(failure.errorCode);
  if (kind == SystemErrorKind::kAccessDenied) {
    text += AccessAdvice(failure, french);
  } else if (kind == SystemErrorKind::kInUse) {
    text += french ? "\nUn autre programme utilise ce port." : "\nAnother program uses this port.";
  }
  return text;
}
