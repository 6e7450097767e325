// The steps of the second family's load. Each opens the port with the line settings of its
// phase and closes it whatever its outcome; the receiver keeps its loader state between.
#pragma once

#include <cstdint>

#include "loader/second/tk20b_result.h"

class CLoaderState;
class CProgress;
struct ProgramImage;

// Wakes the receiver at 4800 bit/s and listens for its wrong-checksum text.
Tk20bResult Tk20bDetect(CLoaderState& w, CProgress& progress);

// Chooses the transfer rate (115200 bit/s when the port takes it, else 19200) into
// *bitRate, asks the receiver to load at it, keeping or erasing its user data as
// w.keepUserData says, and waits until it has erased.
Tk20bResult Tk20bPrepare(CLoaderState& w, CProgress& progress, std::uint32_t* bitRate);
// Inside Tk20bPrepare, with the port open: "PRG" after the preparation sentence.
Tk20bResult Tk20bAwaitAccept(CLoaderState& w, CProgress& progress);
// Inside Tk20bPrepare, with the port open at the transfer rate: "DXF" (optional), "PXF".
Tk20bResult Tk20bAwaitErase(CLoaderState& w, CProgress& progress);

// Reads w.FilePath() whole and checks it against the family's record rules, before the
// receiver is woken: kStepFileOpen when it cannot be opened or read, kStepLoadFailed when it
// could not be sent whole.
Tk20bResult Tk20bLoadImage(CLoaderState& w, ProgramImage* image);

// Sends the records of a checked image at `bitRate` (the one Tk20bPrepare agreed with the
// receiver), resending refused or unanswered records; the user may stop it after a question.
Tk20bResult Tk20bTransfer(CLoaderState& w, CProgress& progress, std::uint32_t bitRate,
                          const ProgramImage& image);
