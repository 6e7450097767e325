// The steps of the second family's load. Each opens the port with the line settings of its
// phase and closes it whatever its outcome; the receiver keeps its loader state between.
#pragma once

#include <cstdint>

#include "loader/second/tk_result.h"

class CLoaderState;
class CProgress;
struct ProgramImage;

// Wakes the receiver at 4800 bit/s and listens for its wrong-checksum text.
LoadStepResult TkDetect(CLoaderState& w, CProgress& progress);

// Chooses the transfer rate (115200 bit/s when the port takes it, else 19200) into
// *bitRate, asks the receiver to load at it, keeping or erasing its user data as
// w.keepUserData says, and waits until it has erased.
LoadStepResult TkPrepare(CLoaderState& w, CProgress& progress, std::uint32_t* bitRate);
// Inside TkPrepare, with the port open: "PRG" after the preparation sentence.
LoadStepResult TkAwaitAccept(CLoaderState& w, CProgress& progress);
// Inside TkPrepare, with the port open at the transfer rate: "DXF" (optional), "PXF".
LoadStepResult TkAwaitErase(CLoaderState& w, CProgress& progress);

// Reads w.FilePath() whole and checks it against the family's record rules, before the
// receiver is woken: StepFileOpen when it cannot be opened or read, StepLoadFailed when it
// could not be sent whole.
LoadStepResult TkLoadImage(CLoaderState& w, ProgramImage* image);

// Sends the records of a checked image at `bitRate` (the one TkPrepare agreed with the
// receiver), resending refused or unanswered records; the user may stop it after a question.
LoadStepResult TkTransfer(CLoaderState& w, CProgress& progress, std::uint32_t bitRate,
                          const ProgramImage& image);
