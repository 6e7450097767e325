#include "loader/wrong_checksum_wait.h"

#include <cstdint>
#include <string>

#include "base/clock.h"
#include "base/messages.h"
#include "base/progress.h"
#include "catalogue/catalogue.h"
#include "loader/deadline.h"
#include "loader/load_context.h"
#include "serial/serial_link.h"

WrongChecksumWait WaitForWrongChecksumText(LoadContext& context, CProgress& progress) {
  const Deadline deadline(context.clock, kWrongChecksumWindowMs);
  context.port.ClearReceived();
  const std::string wanted = GetWrongChecksumText(context.catalogue, context.ui, context.language);
  if (wanted.empty()) return WrongChecksumWait::kNoText;
  std::string collected;
  std::size_t searchFrom = 0;
  WrongChecksumWait outcome = WrongChecksumWait::kTimeout;
  TakeUntil(context.port, deadline, 1, [&](std::span<const std::uint8_t> take) {
    for (std::uint8_t b : take) {
      // The receiver pads with zero bytes between repeats; they are no part of the text.
      if (b != 0) collected.push_back(static_cast<char>(b));
    }
    if (collected.find(wanted, searchFrom) != std::string::npos) {
      outcome = WrongChecksumWait::kFound;
      return true;
    }
    // Only bytes that could still complete the text need looking at again.
    if (collected.size() >= wanted.size()) searchFrom = collected.size() - wanted.size() + 1;
    if (progress.CheckCancel(CancelRule::kAtOnce) == CancelAnswer::kConfirmed) {
      outcome = WrongChecksumWait::kCancelled;
      return true;
    }
    return false;
  });
  return outcome;
}

bool CheckWrongChecksumText(LoadContext& context) {
  if (!GetWrongChecksumText(context.catalogue, context.ui, context.language).empty()) return true;
  ShowMessageById(context.ui, context.language, kMsgBadConfigFile, kStyleExclamation);
  return false;
}
