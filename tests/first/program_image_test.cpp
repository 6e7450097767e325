// The whole-file check before a load, and the port's marker from the wake-up on, on the
// virtual clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "base/header_record.h"
#include "loader/program_image.h"
#include "tests/first/first_rig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts)
    all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes Head(const Bytes& bytes, std::size_t n) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(ProgramImageCheck, MalformedFilesOfBothFamilies) {
  const auto kFirst = RecordRules::kFirstFamily, kSecond = RecordRules::kSecondFamily;
  // First family: a 16-byte header, two data records of 10 bytes at 16 and 26, the end
  // record at 36, 40 bytes in all.
  const Bytes vr = first_test::MakeProgram(2, 4, 1);
  ASSERT_EQ(vr.size(), 40u);
  const Bytes vrHeader = Head(vr, 16);
  // Second family: a form B header occupying 6 bytes, one data record of 12 bytes numbered
  // 1 with count 1, the end record at 18, 26 bytes in all.
  const Bytes tkHeader{0x8A, 2, 'a', 'b', 0, 0};
  const Bytes tkData{0x8B, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes tkEnd{0x8C, 2, 0, 0, 0, 0, 0, 0};
  const Bytes tk = Cat({tkHeader, tkData, tkEnd});
  Bytes badCheck = vr;
  badCheck[35] ^= 0x01;  // the check byte of the second data record

  struct Case {
    const char* name;
    RecordRules rules;
    Bytes bytes;
    ImageFault fault;
    std::size_t records;      // whole records before the fault, end record included
    std::size_t faultOffset;  // where the fault lies (0 for the header)
  };
  const Case cases[] = {
      {"first family file", kFirst, vr, ImageFault::kNone, 3, 0},
      {"bytes behind the end record", kFirst, Cat({vr, {0x00, 0x8B}}), ImageFault::kNone, 3, 0},
      {"empty", kFirst, {}, ImageFault::kNoHeader, 0, 0},
      // A data record first reads as a form A header one byte longer than the record.
      {"no header", kFirst, Bytes(vr.begin() + 16, vr.end()), ImageFault::kForeignRecord, 0, 11},
      {"another first byte", kFirst, Cat({{0x00}, vr}), ImageFault::kNoHeader, 0, 0},
      {"ends inside the header", kFirst, Head(vr, 10), ImageFault::kNoHeader, 0, 0},
      {"header only", kFirst, vrHeader, ImageFault::kNoEndRecord, 0, 16},
      {"no end record", kFirst, Head(vr, 36), ImageFault::kNoEndRecord, 2, 36},
      {"end record cut short", kFirst, Head(vr, 38), ImageFault::kCutShort, 2, 36},
      {"data record cut short", kFirst, Head(vr, 20), ImageFault::kCutShort, 0, 16},
      {"count byte missing", kFirst, Cat({vrHeader, {0x8B}}), ImageFault::kCutShort, 0, 16},
      {"record of another kind", kFirst, Cat({vrHeader, {0x8D, 0, 0, 0}}),
       ImageFault::kForeignRecord, 0, 16},
      // Read with the first family's rules, its record fails its check byte.
      {"second family file", kFirst, tk, ImageFault::kBadCheckByte, 0, 6},
      {"bad check byte", kFirst, badCheck, ImageFault::kBadCheckByte, 1, 26},
      {"too large", kFirst, Cat({vr, Bytes(kMaxProgramFileSize, 0)}), ImageFault::kTooLarge, 0, 0},
      {"second family file", kSecond, tk, ImageFault::kNone, 2, 0},
      {"end record cut short", kSecond, Head(tk, 25), ImageFault::kCutShort, 1, 18},
      {"count byte missing", kSecond, Cat({tkHeader, {0x8B, 1}}), ImageFault::kCutShort, 0, 6},
      {"no end record", kSecond, Head(tk, 18), ImageFault::kNoEndRecord, 1, 18},
      {"record of another kind", kSecond, Cat({tkHeader, {0x00}, tkEnd}),
       ImageFault::kForeignRecord, 0, 6},
      // The first family's count byte is read as the record number, an address byte as
      // the count: record 2 is then misread from its count byte.
      {"first family file", kSecond, vr, ImageFault::kForeignRecord, 1, 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.rules == kFirst ? " as first" : " as second"));
    ImageLayout layout = CheckProgramImage(c.bytes, c.rules);
    EXPECT_EQ(layout.fault, c.fault);
    EXPECT_EQ(layout.records.size(), c.records);
    if (c.fault != ImageFault::kNone) {
      EXPECT_EQ(layout.faultOffset, c.faultOffset);
      continue;
    }
    // The records lie back to back behind the header, the end record last.
    std::size_t at = c.rules == kFirst ? 16 : 6;
    EXPECT_EQ(layout.headerLength, c.rules == kFirst ? 16 : 4);
    for (const RecordExtent& r : layout.records) {
      EXPECT_EQ(r.offset, at);
      at += r.size;
    }
    EXPECT_EQ(at, c.rules == kFirst ? 40u : 26u);
  }
}

// A file the upload could not send whole is refused with the upload's message before the
// receiver is asked anything, and the port's marker stays as it was.
TEST(FirstFamilyFileCheck, AFileItCannotSendWholeNeverReachesTheReceiver) {
  const Bytes program = first_test::MakeProgram(4, 64, 0x21);  // 16 + 4 x 71 + 4 bytes
  // A second-family file: its records carry a number before their count.
  const Bytes other =
      program_file::SecondFamilyFile(Head(program, 16), {Bytes(8, 1), Bytes(8, 2), Bytes(8, 3)});
  struct Case {
    const char* name;
    std::optional<Bytes> file;
    int message;
    int marker;  // the port's marker before and after; 0: none
  };
  const Case cases[] = {
      {"other family", other, kMsgLoadingFailed, 0},
      {"no header", Bytes(program.begin() + 16, program.end()), kMsgLoadingFailed, 0},
      {"no end record", Head(program, program.size() - 4), kMsgLoadingFailed, 0},
      {"record cut short", Head(program, 16 + 71 + 30), kMsgLoadingFailed, -1},
      {"no file", std::nullopt, kMsgTempFileError, 1},
  };
  for (Family kind : {Family::kVr, Family::kTk})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (kind == Family::kVr ? " VR" : " TK"));
      FirstRig rig(kind);
      if (c.marker != 0) rig.settings.SetInt("LAST_LOADING", "1", c.marker);
      if (c.file) {
        rig.dir.Write(rig.w.fileName, std::string(c.file->begin(), c.file->end()));
      } else {
        std::remove(rig.dir.File(rig.w.fileName).c_str());
      }
      RunFirstLoadFrom(rig.w, rig.family);
      EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{c.message});
      EXPECT_TRUE(rig.link.writes.empty());
      EXPECT_TRUE(rig.link.opens.empty());
      EXPECT_FALSE(rig.dir.Exists("~tmp1.tmp"));
      EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 0), c.marker);
      EXPECT_FALSE(rig.ui.progressOpen);
    }
}

// The port is marked unfinished before the first byte of the wake-up, whatever comes after;
// only a successful load marks it finished again. The read-out before leaves it alone.
TEST(FirstFamilyMarker, UnfinishedFromTheFirstWakeUpByteUntilSuccess) {
  struct Case {
    const char* name;
    Family kind;
    const char* wakeText;
    void (*script)(FirstRig&);
    int marker;  // at the end
  };
  const Case cases[] = {
      {"VR success", Family::kVr, "$PKZN,04,01,01", [](FirstRig&) {}, 1},
      {"TK success", Family::kTk, "$KZNPROJ", [](FirstRig&) {}, 1},
      {"no loader text, cancelled", Family::kTk, "$KZNPROJ",
       [](FirstRig& rig) {
         rig.link.silentLoader = true;
         rig.ui.cancelWhen = [&rig] {
           return rig.link.TextWritten().find("$KZNPROJ") != std::string::npos;
         };
       },
       -1},
      {"no ready", Family::kVr, "$PKZN,04,01,01", [](FirstRig& rig) { rig.link.readyMs = -1; }, -1},
      {"unanswered record", Family::kVr, "$PKZN,04,01,01",
       [](FirstRig& rig) { rig.link.quietRecord = 0; }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FirstRig rig(c.kind);
    c.script(rig);
    // The marker as each write found it, and where in the written text that write began.
    std::vector<std::pair<std::size_t, int>> seen;
    std::size_t written = 0;
    auto receiver = rig.link.onWrite;
    rig.link.onWrite = [&](FakeLink& link, const std::vector<std::uint8_t>& bytes) {
      seen.emplace_back(written, rig.settings.GetInt("LAST_LOADING", "1", 0));
      written += bytes.size();
      receiver(link, bytes);
    };
    RunFirstLoadFrom(rig.w, rig.family);
    const std::size_t wake = rig.link.TextWritten().find(c.wakeText);
    ASSERT_NE(wake, std::string::npos);
    ASSERT_GT(wake, 0u) << "the tables were not read out first";
    // Before the start the store is written once with the marker it holds (1 when it held
    // none), to know that it takes the marker.
    for (const auto& [at, marker] : seen)
      EXPECT_EQ(marker, at < wake ? 1 : -1) << "write at " << at;
    EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 0), c.marker);
  }
}

// Nobody can say whether the receiver is the unfinished load's: a stop while the question is
// open, or a run with nobody to answer, ends the load before anything is sent, the dump and
// the marker kept. The outcome says which.
TEST(FirstFamilyMarker, AnUnansweredUnfinishedLoadQuestionSendsNothingAndKeepsTheDump) {
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "stop request" : "nobody to answer");
    FirstRig rig(Family::kVr);
    rig.settings.SetInt("LAST_LOADING", "1", -1);
    const std::string dump = "the tables of the receiver left in its loader";
    rig.dir.Write("~tmp1.tmp", dump);
    rig.ui.onMessage = [&](const RecordingUi::Shown& shown) {
      if (stop && shown.textNumber == kMsgLastLoadingUnfinished)
        rig.ui.stopCause = "signal: Hangup";
    };
    rig.ui.answers = {kResultUnanswered};  // what a stop or an unattended run answers
    LoadContext context = LoadContextOf(rig.w, rig.family);
    const LoadOutcome outcome = RunFirstFamilyLoad(context, LoadTargetOf(rig.w), rig.w.tables);
    EXPECT_EQ(outcome.end, stop ? LoadEnd::kCancelled : LoadEnd::kRefused);
    EXPECT_EQ(outcome.stopCause, stop ? "signal: Hangup" : "");
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLastLoadingUnfinished});
    EXPECT_TRUE(rig.link.writes.empty());
    EXPECT_EQ(rig.dir.Read("~tmp1.tmp"), dump);
    EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 0), -1);
  }
}

// How a load ends is a value: a refusal sends nothing, a person's No to 115 is a load
// without the tables, and a stop during the write-back is a cancel (not 119) that leaves the
// port marked unfinished.
TEST(FirstFamilyOutcome, EachEndIsAValueTheFrontEndsShow) {
  {
    SCOPED_TRACE("a family that is not the first family's");
    FirstRig rig(Family::kVr);
    LoadContext context = LoadContextOf(rig.w, Family::kTk20b);
    LoadOutcome outcome = RunFirstFamilyLoad(context, LoadTargetOf(rig.w), rig.w.tables);
    EXPECT_EQ(outcome.end, LoadEnd::kRefused);
    EXPECT_EQ(outcome.messageId, kMsgBadConfigFile);
    EXPECT_TRUE(rig.link.writes.empty());
  }
  {
    SCOPED_TRACE("115 answered No");
    FirstRig rig(Family::kTk);
    rig.link.dump[rig.link.dump.size() - 3] ^= 0x01;  // the last record's check byte
    rig.ui.answers = {kResultNo};
    LoadContext context = LoadContextOf(rig.w, rig.family);
    LoadOutcome outcome = RunFirstFamilyLoad(context, LoadTargetOf(rig.w), rig.w.tables);
    EXPECT_EQ(outcome.end, LoadEnd::kLoaded);
    EXPECT_TRUE(outcome.tablesLeftOut);
    EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{kMsgDopplerReadError, kMsgLoadingOk}));
  }
  // A refused write-back record goes once more; refused again, the load has failed.
  for (int refusals : {1, 2}) {
    SCOPED_TRACE(std::to_string(refusals) + " refusal(s) of a write-back record");
    FirstRig rig(Family::kTk);
    rig.link.refusedWriteBacks = refusals;
    LoadContext context = LoadContextOf(rig.w, rig.family);
    LoadOutcome outcome = RunFirstFamilyLoad(context, LoadTargetOf(rig.w), rig.w.tables);
    EXPECT_EQ(outcome.end, refusals == 1 ? LoadEnd::kLoaded : LoadEnd::kFailed);
    // The failed write-back is told, then the failed upload, as after its time limit.
    const std::vector<int> told = refusals == 1
                                      ? std::vector<int>{kMsgLoadingOk}
                                      : std::vector<int>{kMsgLoadingFailed, kMsgLoadingFailed};
    EXPECT_EQ(rig.ui.MessageIds(), told);
  }
  {
    SCOPED_TRACE("a stop during the write-back");
    FirstRig rig(Family::kVr);
    auto receiver = rig.link.onWrite;
    rig.link.onWrite = [&](FakeLink& link, const std::vector<std::uint8_t>& bytes) {
      receiver(link, bytes);
      if (rig.link.records.size() == 5) rig.ui.stopCause = "signal: Terminated";
    };
    LoadContext context = LoadContextOf(rig.w, rig.family);
    LoadOutcome outcome = RunFirstFamilyLoad(context, LoadTargetOf(rig.w), rig.w.tables);
    EXPECT_EQ(outcome.end, LoadEnd::kCancelled);
    EXPECT_EQ(outcome.stopCause, "signal: Terminated");
    EXPECT_TRUE(rig.ui.MessageIds().empty());
    EXPECT_LE(rig.link.records.size(), 6u);
    EXPECT_EQ(rig.settings.GetInt("LAST_LOADING", "1", 0), -1);
  }
}

// What was checked is what is sent: a file rewritten or removed during the load changes
// nothing of it.
TEST(FirstFamilyFileCheck, TheLoadSendsTheFileAsItWasChecked) {
  for (bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "removed" : "rewritten");
    FirstRig rig(Family::kTk);
    const Bytes program = first_test::Bytes(rig.dir.Read(rig.w.fileName));
    auto receiver = rig.link.onWrite;
    rig.link.onWrite = [&](FakeLink& link, const std::vector<std::uint8_t>& bytes) {
      receiver(link, bytes);
      if (rig.link.records.size() != 1) return;
      if (removed) {
        std::remove(rig.dir.File(rig.w.fileName).c_str());
      } else {
        Bytes other = first_test::MakeProgram(2, 16, 0x77);
        rig.dir.Write(rig.w.fileName, std::string(other.begin(), other.end()));
      }
    };
    RunFirstLoadFrom(rig.w, rig.family);
    EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
    // The four data records as the file held them at the start, none other.
    Bytes sent;
    for (const auto& record : rig.link.records) {
      if (record[0] == 0x8B && record[2] == 0x01)
        sent.insert(sent.end(), record.begin(), record.end());
    }
    EXPECT_EQ(sent, Bytes(program.begin() + 16, program.end() - 4));
  }
}

}  // namespace
