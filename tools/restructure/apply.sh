#!/usr/bin/env bash
# Moves the sources into their layers and gives the second receiver family its own name
# prefix, then rewrites every include, path and identifier that named the old places.
# Re-runnable: files already moved are left where they are, and every rewrite only matches
# the old names, so a second run (or a run on a tree that has the moves) changes nothing.
#
#   tools/restructure/apply.sh        run from anywhere inside the repository
set -euo pipefail
shopt -s extglob
cd "$(git rev-parse --show-toplevel)"

# old path -> new path, for each file that changes its place or name.
moves=(
  # The foundation every layer uses.
  app/atomic_file.h base/atomic_file.h
  app/atomic_file.cpp base/atomic_file.cpp
  app/clock.h base/clock.h
  app/clock.cpp base/clock.cpp
  app/display_text.h base/display_text.h
  app/display_text.cpp base/display_text.cpp
  app/messages.h base/messages.h
  app/messages.cpp base/messages.cpp
  app/open_failure.h base/open_failure.h
  app/open_failure.cpp base/open_failure.cpp
  app/port_failure_text.cpp base/port_failure_text.cpp
  app/progress.h base/progress.h
  app/progress.cpp base/progress.cpp
  app/settings_store.h base/settings_store.h
  app/settings_store.cpp base/settings_store.cpp
  app/silent_user_interaction.h base/silent_user_interaction.h
  app/user_interaction.h base/user_interaction.h
  loader/first/header_record.h base/header_record.h
  loader/first/header_record.cpp base/header_record.cpp
  loader/first/table_store.h base/table_store.h
  # What both receiver families share.
  loader/first/program_image.h loader/program_image.h
  loader/first/program_image.cpp loader/program_image.cpp
  loader/first/wrong_checksum_wait.h loader/wrong_checksum_wait.h
  loader/first/wrong_checksum_wait.cpp loader/wrong_checksum_wait.cpp
  loader/second/tk_record.h loader/tk20b_record.h
  loader/second/tk_record.cpp loader/tk20b_record.cpp
  # The second family's own files.
  loader/second/tk_collected_text.h loader/second/tk20b_collected_text.h
  loader/second/tk_detect.cpp loader/second/tk20b_detect.cpp
  loader/second/tk_prepare.cpp loader/second/tk20b_prepare.cpp
  loader/second/tk_reply.h loader/second/tk20b_reply.h
  loader/second/tk_reply.cpp loader/second/tk20b_reply.cpp
  loader/second/tk_result.h loader/second/tk20b_result.h
  loader/second/tk_result.cpp loader/second/tk20b_result.cpp
  loader/second/tk_steps.h loader/second/tk20b_steps.h
  loader/second/tk_timing.h loader/second/tk20b_timing.h
  loader/second/tk_transfer.cpp loader/second/tk20b_transfer.cpp
  tests/second/tk_e2e_test.cpp tests/second/tk20b_e2e_test.cpp
  tests/second/tk_steps_test.cpp tests/second/tk20b_steps_test.cpp
  tests/second/tk_support.h tests/second/tk20b_support.h
  tests/second/tk_support.cpp tests/second/tk20b_support.cpp
  bench/tk_load_bench.cpp bench/tk20b_load_bench.cpp
  fuzz/tk_reply_fuzz.cpp fuzz/tk20b_reply_fuzz.cpp
  fuzz/corpus/tk_reply fuzz/corpus/tk20b_reply
)

# old identifier -> new identifier. "Tk" alone names the first family's TK receivers; the
# second family (TK20B) is "Tk20b". Enumerators are kName.
renames=(
  RunTkLoad RunTk20bLoad
  TkPrepare Tk20bPrepare
  TkDetect Tk20bDetect
  TkTransfer Tk20bTransfer
  TkLoadImage Tk20bLoadImage
  TkAwaitReply Tk20bAwaitReply
  TkAwaitErase Tk20bAwaitErase
  TkAwaitAccept Tk20bAwaitAccept
  TkResultMessage Tk20bResultMessage
  TkResultMessageOf Tk20bResultMessageOf
  TkReportResult Tk20bReportResult
  TkRecordSize Tk20bRecordSize
  kTkDataRecord kTk20bDataRecord
  kTkEndRecord kTk20bEndRecord
  kTkEndRecordSize kTk20bEndRecordSize
  kTkReplyWindowMs kTk20bReplyWindowMs
  kTkReplyWaitStepMs kTk20bReplyWaitStepMs
  kTkFastBitRate kTk20bFastBitRate
  kTkSlowBitRate kTk20bSlowBitRate
  kTkTransferStopBits kTk20bTransferStopBits
  kTkDetectStopBits kTk20bDetectStopBits
  kTkDetectBitRate kTk20bDetectBitRate
  kTkWakeSentenceGapMs kTk20bWakeSentenceGapMs
  kTkResendPauseMs kTk20bResendPauseMs
  kTkMaxResends kTk20bMaxResends
  kTkEraseWindowMs kTk20bEraseWindowMs
  kTkErasePollPauseMs kTk20bErasePollPauseMs
  kTkDetectionPassPauseMs kTk20bDetectionPassPauseMs
  kTkDetectionMs kTk20bDetectionMs
  kTkAcceptWindowMs kTk20bAcceptWindowMs
  LoadStepResult Tk20bResult
  StepOk kStepOk
  StepWrongType kStepWrongType
  StepLoadChecksum kStepLoadChecksum
  StepProgramChecksum kStepProgramChecksum
  StepFileOpen kStepFileOpen
  StepLoadFailed kStepLoadFailed
  StepUserCancel kStepUserCancel
  StepPortNotReady kStepPortNotReady
  StepNoReply kStepNoReply
  ReplyP kReplyP
  ReplyM kReplyM
  ReplyI kReplyI
  ReplyECP kReplyECP
  ReplyECC kReplyECC
  ReplyETA kReplyETA
  ReplyPOK kReplyPOK
  ReplyTimeout kReplyTimeout
  SteadyClock CSteadyClock
  VirtualClock CVirtualClock
  PosixSerialDevice CPosixSerialDevice
  QtUserInteraction CQtUserInteraction
  # Tests and tools of the second family.
  MakeTkProgram MakeTk20bProgram
  TkProgramFile Tk20bProgramFile
  TkScriptedReceiver Tk20bScriptedReceiver
  TkHarness Tk20bHarness
  TkSimRun Tk20bSimRun
  TkLoadE2e Tk20bLoadE2e
  TkTimeLimits Tk20bTimeLimits
  TkReplyWindow Tk20bReplyWindow
  TkLoad Tk20bLoad
)

for ((i = 0; i < ${#moves[@]}; i += 2)); do
  from=${moves[i]} to=${moves[i + 1]}
  if [[ -e $from && ! -e $to ]]; then
    mkdir -p "$(dirname "$to")"
    git mv "$from" "$to"
  elif [[ -e $from ]]; then
    echo "apply.sh: both $from and $to exist; left as they are" >&2
  fi
done

mapfile -t texts < <(git ls-files -- '*.cpp' '*.h' '*.txt' '*.cmake' '*.md' '*.sh' check \
  | while read -r f; do [[ -f $f ]] && echo "$f"; done)

# Paths: "app/clock.h", app/clock.cpp, fuzz/corpus/tk_reply ... wherever they are written.
path_script=()
for ((i = 0; i < ${#moves[@]}; i += 2)); do
  from=${moves[i]} to=${moves[i + 1]}
  path_script+=(-e "s#(^|[^A-Za-z0-9_./-])${from//./\\.}([^A-Za-z0-9_]|$)#\\1${to}\\2#g")
done
# Target names that follow the file names.
path_script+=(-e 's#(^|[^A-Za-z0-9_])tk_load_bench([^A-Za-z0-9_]|$)#\1tk20b_load_bench\2#g')
path_script+=(-e 's#(^|[^A-Za-z0-9_])tk_reply_fuzz([^A-Za-z0-9_]|$)#\1tk20b_reply_fuzz\2#g')

# Identifiers, outside the simulator, which keeps its own names.
id_script=()
for ((i = 0; i < ${#renames[@]}; i += 2)); do
  id_script+=(-e "s/\\b${renames[i]}\\b/${renames[i + 1]}/g")
done

for f in "${texts[@]}"; do
  args=("${path_script[@]}")
  case $f in
    tools/restructure/*) continue ;;  # this script names the old places on purpose
    sim/* | tests/sim/*) ;;
    *) args+=("${id_script[@]}") ;;
  esac
  before=$(cksum <"$f")
  sed -E -i "${args[@]}" "$f"
  # A longer name can push a line past the column limit.
  if [[ $(cksum <"$f") != "$before" && $f == *.@(cpp|h) ]] && command -v clang-format >/dev/null; then
    clang-format -i "$f"
  fi
done
