// The outcome of each step of the second family's load and the one box that tells it.
#pragma once

#include <cstdint>

class CLoaderState;

enum LoadStepResult : std::int8_t {
  StepOk = 1,
  StepWrongType = -8,
  StepLoadChecksum = -7,
  StepProgramChecksum = -6,
  StepFileOpen = -5,
  StepLoadFailed = -4,
  StepUserCancel = -3,
  StepPortNotReady = -2,
  StepNoReply = -1,
};

struct TkResultMessage {
  int messageId;  // French block; 0 for a result that shows nothing
  int style;
};

// The box a result stands for: none for StepOk or any other non-negative value, message
// 142 for a negative value the table does not know.
TkResultMessage TkResultMessageOf(LoadStepResult result);
// Shows the box of a failed result in the running language.
void TkReportResult(CLoaderState& w, LoadStepResult result);
