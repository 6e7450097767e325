#include <gtest/gtest.h>

#include "cli/cli_options.h"

namespace {

// The options scripts pass on every load are also checked end to end.
TEST(CliOptions, LoadTakesEveryOptionWithOrWithoutEqualsAndDefaultsTheRest) {
  CliParseResult expert = ParseCommandLine({"load", "--file=./a b.gb", "--type", "TK20B",
                                            "--keep-user-data", "--answer=no", "--port=4"});
  ASSERT_TRUE(expert.options) << expert.error;
  const CliOptions& o = *expert.options;
  EXPECT_EQ(o.command, CliCommand::kLoad);
  EXPECT_EQ(o.file, "./a b.gb");
  EXPECT_EQ(o.type, "TK20B");
  EXPECT_FALSE(o.version);
  EXPECT_TRUE(o.keepUserData);
  EXPECT_EQ(o.answer, false);
  EXPECT_EQ(o.portNumber, 4);
  // Port 1, the stored language, questions asked, user data not kept.
  CliParseResult standard = ParseCommandLine({"load", "--version", "v", "--type", "t"});
  ASSERT_TRUE(standard.options) << standard.error;
  EXPECT_EQ(standard.options->version, "v");
  EXPECT_EQ(standard.options->portNumber, 1);
  EXPECT_FALSE(standard.options->languageOffset);
  EXPECT_FALSE(standard.options->answer);
  EXPECT_FALSE(standard.options->keepUserData);
  EXPECT_FALSE(standard.options->device);
}

TEST(CliOptions, InfoTakesAFileAfterDashDashAndEveryCommandTakesHelp) {
  CliParseResult info = ParseCommandLine({"info", "--", "-odd"});
  ASSERT_TRUE(info.options) << info.error;
  EXPECT_EQ(info.options->command, CliCommand::kInfo);
  EXPECT_EQ(info.options->infoFile, "-odd");
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"-h"}, {"help"}, {"load", "--help"}, {"list", "-h"}, {"info", "--help"}}) {
    CliParseResult help = ParseCommandLine(args);
    ASSERT_TRUE(help.options) << args.back();
    EXPECT_EQ(help.options->command, CliCommand::kHelp);
  }
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"flash"}, "unknown command 'flash'"},
      {{"load", "--version", "v"}, "load needs --type NAME"},
      {{"load", "--type", "t"}, "load needs --version LABEL or --file PATH"},
      {{"load", "--type", "t", "--version", "v", "--file", "f"}, "not both"},
      {{"load", "--type", "t", "--file", "f", "--port", "5"}, "from 1 to 4, not '5'"},
      {{"load", "--type", "t", "--file", "f", "--port", "1x"}, "from 1 to 4, not '1x'"},
      {{"load", "--type", "t", "--file", "f", "--lang", "de"}, "--lang takes fr or en"},
      {{"load", "--type", "t", "--file", "f", "--answer", "y"}, "--answer takes yes or no"},
      {{"load", "--type", "t", "--version"}, "--version needs a value"},
      {{"load", "--type", "t", "--file", ""}, "--file needs a file name"},
      {{"load", "--type", "t", "--file", "f", "--device="}, "--device needs a device path"},
      {{"load", "--type", "t", "--type", "u", "--file", "f"}, "--type is given twice"},
      {{"load", "--type", "t", "--file", "f", "--keep-user-data=1"}, "takes no value"},
      {{"load", "--type", "t", "--file", "f", "--baud", "9600"}, "unknown option '--baud'"},
      {{"load", "--type", "t", "--file", "f", "extra"}, "unexpected argument 'extra'"},
      {{"list", "--type", "t"}, "unknown option '--type' for list"},
      {{"info"}, "info needs exactly one FILE"},
      {{"info", "a", "b"}, "info needs exactly one FILE"},
      {{"info", "--lang", "en"}, "unknown option '--lang' for info"},
  };
  for (const auto& [args, error] : cases) {
    CliParseResult result = ParseCommandLine(args);
    EXPECT_FALSE(result.options) << error;
    EXPECT_NE(result.error.find(error), std::string::npos) << "gave '" << result.error << "'";
  }
}

}  // namespace
