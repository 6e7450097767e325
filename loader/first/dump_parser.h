// The dump file: the receiver's 45 table records as it streamed them, each 0x8B, block
// number, data, check byte (8-bit sum of block number and data), CR LF.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "loader/first/first_result.h"
#include "loader/first/table_store.h"

struct FirstLoad;

inline constexpr int kDumpMinimumBytes = 3017;  // a shorter dump is judged too few
inline constexpr int kDumpRecordCount = kBlockCount;

enum class DumpOutcome {
  kComplete,       // 45 good records
  kNoRecordStart,  // a long dump without CR LF 0x8B
  kBadRecord,      // a check byte that does not match, or a block the receiver has not
  kEnded,          // the dump ends before 45 good records
};

struct DumpParse {
  DumpOutcome outcome = DumpOutcome::kEnded;
  int goodRecords = 0;
};

// Parses the dump's records into the doppler rows and the fresh almanac; the data of a
// good record goes into its row from the row's start, and nothing beyond a row is written.
// The flags are not touched.
DumpParse ParseDumpBytes(std::span<const std::uint8_t> dump, TableStore& tables);

// Parses the open dump file into the table store, sets the flags and merges the almanac
// after a complete dump. kStopped ends the load (told, or message 115 answered yes).
FirstStep ParseDump(FirstLoad& load, std::FILE* dump);
