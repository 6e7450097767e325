// The outcome of each step of the second family's load and the one box that tells it.
#pragma once

#include <cstdint>
#include <string>

struct LoadContext;
struct LoadTarget;

enum Tk20bResult : std::int8_t {
  kStepOk = 1,
  // The selected type has no wrong-checksum text (or the catalogue cannot be read): any text
  // would pass for the receiver's loader. Message 126.
  kStepBadConfig = -9,
  kStepWrongType = -8,
  kStepLoadChecksum = -7,
  kStepProgramChecksum = -6,
  kStepFileOpen = -5,
  kStepLoadFailed = -4,
  kStepUserCancel = -3,
  kStepPortNotReady = -2,
  kStepNoReply = -1,
};

struct Tk20bResultMessage {
  int messageId;  // French block; 0 for a result that shows nothing
  int style;
};

// The box a result stands for: none for kStepOk or any other non-negative value, message
// 142 for a negative value the table does not know.
Tk20bResultMessage Tk20bResultMessageOf(Tk20bResult result);
// Shows the box of a failed result in the running language, with `detail` under it.
void Tk20bReportResult(LoadContext& context, Tk20bResult result, const std::string& detail = {});
