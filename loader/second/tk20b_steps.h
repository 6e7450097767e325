// The steps of the second family's load. Each opens the port with the line settings of its
// phase and closes it whatever its outcome; the receiver keeps its loader state between.
#pragma once

#include <cstdint>

#include "loader/second/tk20b_result.h"

struct LoadContext;
struct LoadTarget;
class CProgress;
struct ProgramImage;

// Wakes the receiver at 4800 bit/s and listens for its wrong-checksum text.
Tk20bResult Tk20bDetect(LoadContext& context, const LoadTarget& target, CProgress& progress);

// Chooses the transfer rate (115200 bit/s when the port takes it, else 19200) into
// *bitRate, asks the receiver to load at it, keeping or erasing its user data as
// target.keepUserData says, and waits until it has erased.
Tk20bResult Tk20bPrepare(LoadContext& context, const LoadTarget& target, CProgress& progress,
                         std::uint32_t* bitRate);
// Inside Tk20bPrepare, with the port open: "PRG" after the preparation sentence.
Tk20bResult Tk20bAwaitAccept(LoadContext& context, CProgress& progress);
// Inside Tk20bPrepare, with the port open at the transfer rate: "DXF" (optional), "PXF".
Tk20bResult Tk20bAwaitErase(LoadContext& context, const LoadTarget& target, CProgress& progress);

// Reads target.filePath whole and checks it against the family's record rules, before the
// receiver is woken: kStepFileOpen when it cannot be opened or read, kStepLoadFailed when it
// could not be sent whole.
Tk20bResult Tk20bLoadImage(LoadContext& context, const LoadTarget& target, ProgramImage* image);

// Sends the records of a checked image at `bitRate` (the one Tk20bPrepare agreed with the
// receiver), resending refused or unanswered records; the user may stop it after a question.
Tk20bResult Tk20bTransfer(LoadContext& context, const LoadTarget& target, CProgress& progress,
                          std::uint32_t bitRate, const ProgramImage& image);
