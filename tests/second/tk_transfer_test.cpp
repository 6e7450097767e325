#include <gtest/gtest.h>

#include "loader/second/tk_steps.h"
#include "serial/sentences.h"
#include "tests/second/tk_harness.h"

namespace {

const std::string kHeaderA = TkFormAHeader("V1.00 TK20B FRA");

LoadStepResult Transfer(TkHarness& h, std::uint32_t rate = 115200) {
  return TkTransfer(h.w, h.progress, rate);
}

TEST(TkTransfer, SendsEveryRecordAsItStandsAndNeverTheHeader) {
  TkHarness h;
  TkProgramFile program = MakeTkProgram(kHeaderA, 5, 255);
  program.records.insert(program.records.begin() + 2,
                         TkDataRecord(0x8C, 0));  // number = end marker
  h.WriteProgram(program);
  EXPECT_EQ(Transfer(h, 19200), StepOk);
  EXPECT_EQ(h.Received(), program.records);
  for (const FakeLink::LineSettings& s : h.link.recordSettings) {
    EXPECT_EQ(s.bitRate, 19200u);
    EXPECT_EQ(s.stopBits, 1);
  }
  // One byte per write.
  EXPECT_EQ(h.link.writes.size(), program.Bytes().size() - kHeaderA.size());
  EXPECT_FALSE(h.link.IsOpen());
  EXPECT_EQ(h.ui.progressTexts, std::vector<std::string>{LoadMessageText(kMsgLoadingInProgress)});
  EXPECT_EQ(h.ui.positions.back(), 100);
}

TEST(TkTransfer, ProgressRunsOverTheRecordsOfEitherHeaderForm) {
  // Form B counts two bytes fewer than it occupies, so the data records end just under 100.
  TkHarness b;
  TkProgramFile program = MakeTkProgram(TkFormBHeader("V2"), 3, 20);
  b.WriteProgram(program);
  EXPECT_EQ(Transfer(b), StepOk);
  const double basis = static_cast<double>(program.Bytes().size() - 4);
  std::vector<int> expected;
  double sent = 0;
  for (const std::string& r : program.records) {
    sent += static_cast<double>(r.size());
    expected.push_back(static_cast<int>(sent / basis * 100.0));
  }
  expected.push_back(100);
  EXPECT_EQ(b.ui.positions, expected);
  EXPECT_LT(expected[expected.size() - 2], 100);

  // A small first record still shows 1.
  TkHarness a;
  a.WriteProgram(MakeTkProgram(kHeaderA, 300, 0));
  EXPECT_EQ(Transfer(a), StepOk);
  EXPECT_EQ(a.ui.positions.front(), 1);

  // Header and end record alone.
  TkHarness end;
  end.WriteProgram(MakeTkProgram(kHeaderA, 0, 0));
  EXPECT_EQ(Transfer(end), StepOk);
  EXPECT_EQ(end.Received().size(), 1u);
  EXPECT_EQ(end.ui.positions.back(), 100);
}

TEST(TkTransfer, ResendsAfterRefusalSilenceOrAnotherRecordsReply) {
  for (std::string badReply : {"M02\r\n", "", "P01\r\n", "ECC\r\n"}) {
    SCOPED_TRACE(badReply);
    TkHarness h;
    h.link.replyFor = [&](const std::string& record, int attempt) {
      if (record[1] == 2 && attempt <= 2) return badReply;
      return TkScriptedReceiver::DefaultReply(record);
    };
    TkProgramFile program = MakeTkProgram(kHeaderA, 3, 4);
    h.WriteProgram(program);
    EXPECT_EQ(Transfer(h), StepOk);
    std::vector<std::string> expected = {program.records[0], program.records[1],
                                         program.records[1], program.records[1],
                                         program.records[2], program.records[3]};
    EXPECT_EQ(h.Received(), expected);
    // A word answers at once; silence and a foreign reply wait the full window. The resend
    // follows 200 ms later.
    std::int64_t gap = h.link.recordTimesMs[2] - h.link.recordTimesMs[1];
    bool recognised = badReply[0] == 'M' || badReply[0] == 'E';
    if (recognised) {
      EXPECT_GE(gap, 200 + 3);
      EXPECT_LT(gap, 200 + 10 + 20);
    } else {
      EXPECT_GE(gap, 1500 + 200);
      EXPECT_LT(gap, 1500 + 200 + 20);
    }
  }
}

TEST(TkTransfer, AReplyTooLateForOneSendingDoesNotAnswerTheNext) {
  TkHarness h;
  h.link.replyFor = [&](const std::string& record, int attempt) {
    if (record[1] != 2 || attempt > 1) return TkScriptedReceiver::DefaultReply(record);
    h.link.DeliverAfter(1600, "M02\r\n");  // after the window, during the pause
    return std::string();
  };
  TkProgramFile program = MakeTkProgram(kHeaderA, 2, 4);
  h.WriteProgram(program);
  EXPECT_EQ(Transfer(h), StepOk);
  EXPECT_EQ(h.Received().size(), 4u);  // record 2 twice, not three times
}

TEST(TkTransfer, GivesUpAfterElevenSendingsOfOneRecord) {
  TkHarness h;
  h.link.replyFor = [](const std::string& record, int) {
    return record[1] == 2 ? std::string("M02\r\n") : TkScriptedReceiver::DefaultReply(record);
  };
  h.WriteProgram(MakeTkProgram(kHeaderA, 3, 4));
  EXPECT_EQ(Transfer(h), StepLoadFailed);
  EXPECT_EQ(h.Received().size(), 1u + 11u);
  EXPECT_FALSE(h.link.IsOpen());

  // "I" accepts like "P", and the count starts again for each record.
  TkHarness again;
  again.link.replyFor = [](const std::string& record, int attempt) {
    if (record[0] == '\x8C') return std::string("POK\r\n");
    return attempt <= 10 ? std::string("")
                         : RecordReplyWord('I', static_cast<std::uint8_t>(record[1]));
  };
  again.WriteProgram(MakeTkProgram(kHeaderA, 2, 0));
  EXPECT_EQ(Transfer(again), StepOk);
  EXPECT_EQ(again.Received().size(), 2u * 11u + 1u);
}

TEST(TkTransfer, TheEndRecordMustBeConfirmed) {
  for (std::string endReply : {"", "ECP\r\n", "P04\r\n", "ETA\r\n"}) {
    SCOPED_TRACE(endReply);
    TkHarness h;
    h.link.replyFor = [&](const std::string& record, int) {
      return record[0] == '\x8C' ? endReply : TkScriptedReceiver::DefaultReply(record);
    };
    h.WriteProgram(MakeTkProgram(kHeaderA, 3, 4));
    EXPECT_EQ(Transfer(h), StepLoadFailed);
    EXPECT_EQ(h.Received().size(), 4u);  // the end record goes once
    EXPECT_FALSE(h.link.IsOpen());
  }
}

TEST(TkTransfer, RefusesFilesItCannotSendWhole) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t recordsSent;
  };
  TkProgramFile good = MakeTkProgram(kHeaderA, 2, 3);
  std::string noEnd = kHeaderA + good.records[0] + good.records[1];
  std::string cutShort = good.Bytes().substr(0, good.Bytes().size() - 12 - 8);
  std::string foreign = kHeaderA + good.records[0] + "\x8D" + good.records[1];
  const Case cases[] = {{"no header", good.records.back() + good.records[0], 0},
                        {"empty", "", 0},
                        {"no end record", noEnd, 2},
                        {"record cut short", cutShort, 1},
                        {"record of another kind", foreign, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TkHarness h;
    h.dir.Write(h.w.fileName, c.bytes);
    EXPECT_EQ(Transfer(h), StepLoadFailed);
    EXPECT_EQ(h.Received().size(), c.recordsSent);
    if (c.recordsSent > 0) {
      EXPECT_EQ(h.Received().back(), good.records[c.recordsSent - 1]);
    }
    EXPECT_FALSE(h.link.IsOpen());
    EXPECT_EQ(h.ui.fileReadErrors, 0);
  }

  TkHarness missing;
  EXPECT_EQ(Transfer(missing), StepFileOpen);
  EXPECT_TRUE(missing.link.opens.empty());

  TkHarness busy;
  busy.WriteProgram(good);
  busy.link.rejectOpen = [](const FakeLink::LineSettings& s) { return s.bitRate == 115200; };
  EXPECT_EQ(Transfer(busy), StepPortNotReady);
  EXPECT_TRUE(busy.link.writes.empty());
}

TEST(TkTransfer, CancelAsksFirstAndNoGoesOnWhereTheLoadStood) {
  TkHarness no;
  TkProgramFile program = MakeTkProgram(kHeaderA, 4, 10);
  no.WriteProgram(program);
  no.ui.cancelWhen = [&] { return no.link.writes.size() == 40; };  // inside record 2
  no.ui.answers = {kResultNo};
  EXPECT_EQ(Transfer(no), StepOk);
  EXPECT_EQ(no.Received(), program.records);
  ASSERT_EQ(no.ui.messages.size(), 1u);
  EXPECT_EQ(no.ui.messages[0].textNumber, kMsgConfirmAbort);
  EXPECT_EQ(no.ui.messages[0].style, kStyleQuestion);

  TkHarness yes;
  yes.WriteProgram(program);
  yes.ui.cancelWhen = [&] { return yes.link.writes.size() == 40; };
  yes.ui.answers = {kResultYes};
  EXPECT_EQ(Transfer(yes), StepUserCancel);
  EXPECT_EQ(yes.Received().size(), 1u);
  EXPECT_EQ(yes.link.writes.size(), 40u);  // nothing after the answer
  EXPECT_FALSE(yes.link.IsOpen());
}

}  // namespace
