#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "app/messages.h"
#include "cli/cli_progress.h"
#include "cli/cli_user_interaction.h"
#include "tests/cli/fake_interrupts.h"

namespace {

class CliUserInteractionTest : public ::testing::Test {
 protected:
  void TearDown() override { LanguageOffset = kFrenchOffset; }

  // Standard input a terminal the user types on through `inputFd`.
  CliConsole Terminal(int inputFd) {
    CliConsole console{out, err};
    console.inputFd = inputFd;
    console.inputIsTerminal = true;
    return console;
  }

  int Show(CCliUserInteraction& ui, int messageId, int style) {
    return ShowMessageById(ui, messageId + LanguageOffset, style);
  }

  std::ostringstream out;
  std::ostringstream err;
  FakeInterrupts interrupts;
};

TEST_F(CliUserInteractionTest, BoxesAreLinesNumberedInTheFrenchBlockInBothLanguages) {
  CCliUserInteraction ui(CliConsole{out, err}, interrupts, std::nullopt);
  LanguageOffset = kEnglishOffset;
  EXPECT_EQ(Show(ui, kMsgCatalogueOpenError, kStyleStop), kResultOk);
  LanguageOffset = kFrenchOffset;
  Show(ui, kMsgUserCancel, kStyleInformation);
  ui.ShowSerialMessage("Port could not be opened\n");
  ui.ShowFileReadError();
  EXPECT_EQ(out.str(),
            "[110] Error opening ini file.\n[141] Arr\xC3\xAAt utlisateur.\n"
            "[serial] Port could not be opened\n[file] Error while reading file\n");
  EXPECT_EQ(ui.FileReadErrors(), 1);
  EXPECT_EQ(err.str(), "");
}

TEST_F(CliUserInteractionTest, AUserAtATerminalAnswersYesOnlyWithYesOrOui) {
  const std::pair<std::string, int> cases[] = {
      {"y\n", kResultYes},   {" Oui \n", kResultYes}, {"YES\n", kResultYes}, {"y", kResultYes},
      {"n\ny\n", kResultNo}, {"\n", kResultNo},       {"yeah\n", kResultNo}, {"", kResultNo}};
  for (const auto& [typed, expected] : cases) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    ::close(fds[1]);
    CCliUserInteraction ui(Terminal(fds[0]), interrupts, std::nullopt);
    EXPECT_EQ(Show(ui, kMsgConfirmAbort, kStyleQuestion), expected) << "typed " << typed;
    ::close(fds[0]);
  }
  // Standard output is no terminal here, so the prompt repeats the question.
  EXPECT_NE(err.str().find("Etes vous sur de vouloir stopper le chargement?\nYes or No? [y/N] "),
            std::string::npos);
}

TEST_F(CliUserInteractionTest, CtrlCCancelsOncePerPressWhileTheProgressIsOpenOrAnswersNo) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);  // the user types nothing: only Ctrl+C can end a question
  CCliUserInteraction ui(Terminal(fds[0]), interrupts, std::nullopt);
  interrupts.Press();  // before the load: cancels nothing
  ASSERT_TRUE(ui.OpenProgress("caption"));
  EXPECT_TRUE(interrupts.watching);
  EXPECT_EQ(ui.PollCancel(), 0);
  interrupts.Press();
  interrupts.Press();
  EXPECT_EQ(ui.PollCancel(), 1);  // the cancel button: the load asks for confirmation
  EXPECT_EQ(ui.PollCancel(), 0);
  interrupts.onDiscard = [this] { interrupts.Press(); };
  EXPECT_EQ(Show(ui, kMsgConfirmAbort, kStyleQuestion), kResultNo);
  EXPECT_TRUE(interrupts.watching);  // the progress window is still open
  EXPECT_EQ(ui.PollCancel(), 0);     // the press answered the question and cancels nothing
  ui.CloseProgress();
  EXPECT_FALSE(interrupts.watching);
  EXPECT_NE(out.str().find("[answer] No\n"), std::string::npos);
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST_F(CliUserInteractionTest, PlainProgressWritesALineOnlyWhenTextOrPercentChanges) {
  CCliUserInteraction ui(CliConsole{out, err}, interrupts, std::nullopt);
  ui.SetProgressText("before");  // no window yet
  ASSERT_TRUE(ui.OpenProgress("caption"));
  ui.SetProgressPosition(0);
  ui.SetProgressText("Reading receiver...");
  ui.SetProgressPosition(0);
  EXPECT_EQ(ui.SetProgressPosition(37), 0);
  EXPECT_EQ(ui.SetProgressPosition(37), 37);
  ui.SetProgressText("Reading receiver...");
  ui.SetProgressText("Loading in progress....");
  ui.SetProgressPosition(100);
  ui.CloseProgress();
  ui.SetProgressPosition(5);
  EXPECT_EQ(err.str(),
            "[progress] 0%\n"
            "[progress] 0% Reading receiver...\n"
            "[progress] 37% Reading receiver...\n"
            "[progress] 37% Loading in progress....\n"
            "[progress] 100% Loading in progress....\n");
  EXPECT_EQ(out.str(), "");
}

TEST_F(CliUserInteractionTest, TerminalBarMakesRoomForMessagesAndIsGoneAtTheEnd) {
  CliConsole console{out, err};
  console.errIsTerminal = true;
  console.terminalColumns = 60;
  CCliUserInteraction ui(console, interrupts, std::nullopt);
  ui.OpenProgress("caption");
  ui.SetProgressText("Loading in progress....");
  ui.SetProgressPosition(50);
  err.str("");
  Show(ui, kMsgLoadingOk, kStyleInformation);
  // Cleared before the message, drawn again after it.
  const std::string bar = FormatProgressBar("Loading in progress....", 50, 60);
  EXPECT_EQ(err.str(), "\r\033[K\r\033[K" + bar);
  err.str("");
  ui.WriteDiagnostic("Port could not be opened /dev/ttyUSB0: Permission denied\n");
  EXPECT_EQ(err.str(),
            "\r\033[KPort could not be opened /dev/ttyUSB0: Permission denied\n\r\033[K" + bar);
  err.str("");
  ui.CloseProgress();
  EXPECT_EQ(err.str(), "\r\033[K");
}

TEST(ProgressBar, FitsTheTerminalWithoutCuttingACharacter) {
  EXPECT_EQ(FormatProgressBar("Loading in progress....", 50, 80),
            "Loading in progress.... [##########----------] 50%");
  EXPECT_EQ(FormatProgressBar("x", 100, 80), "x [####################] 100%");
  EXPECT_EQ(FormatProgressBar("x", -3, 80), "x [--------------------] -3%");
  // 40 columns leave 39 - 26 = 13 characters for the text; é is two bytes and one column.
  EXPECT_EQ(FormatProgressBar("Lecture table des dopplers", 0, 40),
            "Lecture table [--------------------] 0%");
  EXPECT_EQ(FormatProgressBar("éééééééééééééééé", 0, 40),
            "ééééééééééééé [--------------------] 0%");
  EXPECT_EQ(FormatProgressBar("text", 0, 10), " [--------------------] 0%");
}

}  // namespace
