#include <gtest/gtest.h>

#include <sstream>

#include "sim/options.h"
#include "sim/sentence_reader.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(SimSentences, PicksSentencesAndMarkersOutOfNoiseAndChecksSignedSums) {
  EXPECT_EQ(kznsim::SentenceSum(std::string("a\xFF", 2)), 0x0060);
  std::string line = std::string("junk\r\n$PK$PKZN,04,01,02,033E\r\nxx$KZNPROJ") + '\0' +
                     "$PKZN,0C,00,02BF\r\n$KZNPROX" + '\0' +
                     "$PKZN,0C,00,02BE\n$PKZN,zz,00,0000\r\n";
  std::vector<kznsim::Command> cmds;
  kznsim::CSentenceReader reader;
  for (char c : line)
    if (auto cmd = reader.Feed(static_cast<std::uint8_t>(c))) cmds.push_back(*cmd);
  // A line without CR before its LF is no command; a malformed one has no code.
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(cmds[0].code, 4);
  EXPECT_EQ(cmds[0].data, "02");
  EXPECT_TRUE(cmds[0].sumOk);
  EXPECT_EQ(cmds[1].kind, kznsim::Command::Kind::kMarker);
  EXPECT_EQ(cmds[1].text, "$KZNPROJ");
  EXPECT_EQ(cmds[2].code, 0x0C);
  EXPECT_FALSE(cmds[2].sumOk);
  EXPECT_EQ(cmds[3].code, -1);
  EXPECT_FALSE(cmds[3].sumOk);
}

TEST(SimOptions, BadCommandLinesAreRefused) {
  for (const char* line :
       {"--family XX", "--verdict 8", "--fault refuse", "--fault silent=foo", "--fault split=2",
        "--fault refuse-record=0:1", "--exit-after 0", "--bogus", "--report",
        "--fault already-wrong", "--family TK20B --fault already-wrong"}) {
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string w; words >> w;)
      args.push_back(w);
    kznsim::SimOptions options;
    std::string error;
    EXPECT_FALSE(kznsim::ParseSimOptions(args, &options, &error)) << line;
    EXPECT_FALSE(error.empty());
  }
  // So is a table capture without its 45 records, at the start, with status 2.
  TempDir dir;
  dir.Write("dump", "$GP\r\n\x8B");
  CSimProcess refused;
  EXPECT_FALSE(refused.Start({"--family", "VR", "--tables", dir.File("dump")}, 2000));
  EXPECT_EQ(refused.ExitStatus(), 2);
}

}  // namespace
