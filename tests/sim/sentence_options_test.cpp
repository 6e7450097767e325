#include <gtest/gtest.h>

#include "sim/options.h"
#include "sim/sentence_reader.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

using kznsim::Command;

namespace {

std::vector<Command> FeedAll(kznsim::CSentenceReader& reader, const std::string& bytes) {
  std::vector<Command> out;
  for (char c : bytes)
    if (auto cmd = reader.Feed(static_cast<std::uint8_t>(c))) out.push_back(*cmd);
  return out;
}

TEST(SimSentences, PicksSentencesAndMarkersOutOfNoiseAndChecksSignedSums) {
  EXPECT_EQ(kznsim::SentenceSum("$PKZN,04,01,01,"), 0x033D);
  EXPECT_EQ(kznsim::SentenceSum(std::string("a\xFF", 2)), 0x0060);
  kznsim::CSentenceReader reader;
  std::string line = std::string("junk\r\n$PK$PKZN,04,01,02,033E\r\nxx$KZNPROJ") + '\0' +
                     "$PKZN,24,03,520000,0407\r\n$PKZN,0C,00,02BF\r\n$KZNPROG" + '\0' + "$KZNPROX" +
                     '\0' + "$PKZN,0C,00,02BE\n$PKZN,zz,00,0000\r\n";
  auto cmds = FeedAll(reader, line);
  ASSERT_EQ(cmds.size(), 6u);
  EXPECT_EQ(cmds[0].code, 4);
  EXPECT_EQ(cmds[0].data, "02");
  EXPECT_TRUE(cmds[0].sumOk);
  EXPECT_EQ(cmds[1].kind, Command::Kind::kMarker);
  EXPECT_EQ(cmds[1].text, "$KZNPROJ");
  EXPECT_EQ(cmds[2].code, 0x24);
  EXPECT_EQ(cmds[2].data, "520000");
  EXPECT_TRUE(cmds[2].sumOk);
  EXPECT_EQ(cmds[3].code, 0x0C);
  EXPECT_FALSE(cmds[3].sumOk);
  EXPECT_EQ(cmds[4].text, "$KZNPROG");
  // A line without CR before its LF is no command; a malformed one has no code.
  EXPECT_EQ(cmds[5].code, -1);
  EXPECT_FALSE(cmds[5].sumOk);
}

TEST(SimOptions, ParsesTheCommandLineAndRefusesBadOnes) {
  kznsim::SimOptions o;
  std::string error;
  ASSERT_TRUE(kznsim::ParseSimOptions({"--family",     "TK",
                                       "--exit-after", "2",
                                       "--fault",      "refuse=3",
                                       "--fault",      "refuse-record=4:2",
                                       "--fault",      "silent=erase",
                                       "--fault",      "no-1",
                                       "--fault",      "wrong-record",
                                       "--fault",      "short-dump=100",
                                       "--verdict",    "6",
                                       "--wrg",        "X Y"},
                                      &o, &error))
      << error;
  EXPECT_EQ(o.family, kznsim::Family::kTk);
  EXPECT_EQ(o.exitAfter, 2);
  EXPECT_EQ(o.faults.refuse, 3);
  EXPECT_EQ(o.faults.refuseRecord, 4);
  EXPECT_EQ(o.faults.refuseRecordTimes, 2);
  EXPECT_TRUE(o.faults.Silent(kznsim::Silence::kErase));
  EXPECT_TRUE(o.faults.Silent(kznsim::Silence::kReady));
  EXPECT_FALSE(o.faults.Silent(kznsim::Silence::kRecord));
  EXPECT_EQ(o.faults.wrongRecord, -1);
  EXPECT_EQ(o.faults.shortDump, 100);
  EXPECT_EQ(o.verdict, '6');
  EXPECT_EQ(*o.wrg, "X Y");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--family", "XX"},
                                             {"--verdict", "8"},
                                             {"--fault", "refuse"},
                                             {"--fault", "silent=foo"},
                                             {"--fault", "split=2"},
                                             {"--fault", "refuse-record=0:1"},
                                             {"--exit-after", "0"},
                                             {"--bogus"},
                                             {"--report"},
                                             {"--fault", "already-wrong"},
                                             {"--family", "TK20B", "--fault", "already-wrong"}}) {
    kznsim::SimOptions other;
    error.clear();
    EXPECT_FALSE(kznsim::ParseSimOptions(args, &other, &error)) << args.back();
    EXPECT_FALSE(error.empty());
  }
  // A table capture without its 45 records is refused at the start.
  TempDir dir;
  dir.Write("dump", "$GP\r\n\x8B");
  CSimProcess refused;
  EXPECT_FALSE(refused.Start({"--family", "VR", "--tables", dir.File("dump")}, 2000));
  EXPECT_EQ(refused.ExitStatus(), 2);
}

}  // namespace
