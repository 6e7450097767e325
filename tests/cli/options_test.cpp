#include <gtest/gtest.h>

#include "app/messages.h"
#include "cli/cli_options.h"

namespace {

CliParseResult Parse(std::vector<std::string> args) {
  return ParseCommandLine(args);
}

TEST(CliOptions, StandardAndExpertLoadsTakeEveryOption) {
  CliParseResult standard =
      Parse({"load", "--type", "VR540", "--version", "English version", "--port", "3", "--device",
             "/dev/ttyUSB1", "--keep-user-data", "--lang", "fr", "--answer", "yes"});
  ASSERT_TRUE(standard.options) << standard.error;
  const CliOptions& o = *standard.options;
  EXPECT_EQ(o.command, CliCommand::kLoad);
  EXPECT_EQ(o.type, "VR540");
  EXPECT_EQ(o.version, "English version");
  EXPECT_FALSE(o.file);
  EXPECT_EQ(o.portNumber, 3);
  EXPECT_EQ(o.device, "/dev/ttyUSB1");
  EXPECT_TRUE(o.keepUserData);
  EXPECT_EQ(o.languageOffset, kFrenchOffset);
  EXPECT_EQ(o.answer, true);

  CliParseResult expert =
      Parse({"load", "--file=./a b.gb", "--type=TK20B", "--answer=no", "--lang=en"});
  ASSERT_TRUE(expert.options) << expert.error;
  EXPECT_EQ(expert.options->file, "./a b.gb");
  EXPECT_EQ(expert.options->type, "TK20B");
  EXPECT_EQ(expert.options->answer, false);
  EXPECT_EQ(expert.options->languageOffset, kEnglishOffset);
  // Defaults: port 1, the stored language, questions asked.
  EXPECT_EQ(expert.options->portNumber, 1);
  EXPECT_FALSE(Parse({"load", "--type", "x", "--file", "f"}).options->languageOffset);
  EXPECT_FALSE(Parse({"load", "--type", "x", "--file", "f"}).options->answer);
  EXPECT_FALSE(Parse({"load", "--type", "x", "--file", "f"}).options->keepUserData);
}

TEST(CliOptions, ListInfoAndHelp) {
  CliParseResult list = Parse({"list", "--lang", "en"});
  ASSERT_TRUE(list.options);
  EXPECT_EQ(list.options->command, CliCommand::kList);
  EXPECT_EQ(list.options->languageOffset, kEnglishOffset);
  CliParseResult info = Parse({"info", "VR540.gb"});
  ASSERT_TRUE(info.options);
  EXPECT_EQ(info.options->command, CliCommand::kInfo);
  EXPECT_EQ(info.options->infoFile, "VR540.gb");
  EXPECT_EQ(Parse({"info", "--", "-odd"}).options->infoFile, "-odd");
  for (auto args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"help"}, {"load", "--help"}, {"list", "-h"}, {"info", "--help"}}) {
    CliParseResult help = Parse(args);
    ASSERT_TRUE(help.options) << args[0];
    EXPECT_EQ(help.options->command, CliCommand::kHelp);
  }
  EXPECT_NE(std::string(kCliUsageText).find("kznload-cli load --type NAME"), std::string::npos);
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"flash"}, "unknown command 'flash'"},
      {{"load", "--version", "v"}, "load needs --type NAME"},
      {{"load", "--type", "t"}, "load needs --version LABEL or --file PATH"},
      {{"load", "--type", "t", "--version", "v", "--file", "f"}, "not both"},
      {{"load", "--type", "t", "--version", "v", "--port", "0"}, "from 1 to 4, not '0'"},
      {{"load", "--type", "t", "--version", "v", "--port", "5"}, "from 1 to 4, not '5'"},
      {{"load", "--type", "t", "--version", "v", "--port", "1x"}, "from 1 to 4, not '1x'"},
      {{"load", "--type", "t", "--version", "v", "--port", "+1"}, "from 1 to 4"},
      {{"load", "--type", "t", "--version", "v", "--lang", "de"}, "--lang takes fr or en"},
      {{"load", "--type", "t", "--version", "v", "--answer", "y"}, "--answer takes yes or no"},
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
  for (const Case& c : cases) {
    CliParseResult result = Parse(c.args);
    std::string shown;
    for (const std::string& arg : c.args)
      shown += arg + " ";
    EXPECT_FALSE(result.options) << shown;
    EXPECT_NE(result.error.find(c.error), std::string::npos)
        << shown << "gave '" << result.error << "'";
  }
}

}  // namespace
