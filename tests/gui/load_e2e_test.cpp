// One full load from the start button of the real window, against the receiver simulator
// on a pseudo-terminal, for a type of each family.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <set>

#include "app/qt/loader_dlg.h"
#include "app/qt/progress_dlg.h"
#include "serial/serial_port.h"
#include "tests/gui/gui_support.h"
#include "tests/support/sim_process.h"

namespace {

// A receiver type and the simulator's word for its good end.
class GuiLoad : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(GuiLoad, StartButtonRunsACompleteLoadWithTheMainWindowHeldDisabled) {
  EnsureApplication();
  LanguageOffset = kFrenchOffset;
  TempDir catalogue;
  TempDir config;
  std::filesystem::copy(
      KZN_BINARY_DIR "/samples", catalogue.Path(),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  CSettingsStore settings(config.File("kznload.INI"));
  settings.SetInt("LANGUAGE", "TYPE_LANG", 1);

  CSimProcess sim;
  ASSERT_TRUE(sim.Start({"--family", "auto", "--throttle"})) << sim.Error();
  SteadyClock clock;
  ScriptedQtUi ui;
  CSerialPort port(ui, [&sim](int) { return sim.SlavePath(); });
  CLoaderState w(ui, clock, settings, port);
  CLoaderDlg dlg(w, ui, [] {});
  ui.owner = &dlg;
  ASSERT_TRUE(dlg.Initialise(catalogue.Path()));
  dlg.show();
  auto* types = dlg.findChild<QComboBox*>("receiverTypes");
  types->setCurrentIndex(types->findText(GetParam().first));
  ASSERT_EQ(types->currentText(), GetParam().first);

  // What the user sees while the load runs, looked at from inside the progress pump.
  bool mainEverEnabled = false;
  bool closeRefused = false;
  QString cancelLabel;
  std::set<QString> percents;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    CProgressDlg* progress = ui.Progress();
    if (progress == nullptr || !progress->isVisible()) return;
    if (percents.empty()) closeRefused = !dlg.close();  // the close box mid-load
    cancelLabel = progress->CancelButton()->text();
    mainEverEnabled = mainEverEnabled || dlg.isEnabled();
    percents.insert(progress->PercentText());
  });
  watch.start(20);
  QTest::mouseClick(dlg.findChild<QPushButton*>("startButton"), Qt::LeftButton);
  watch.stop();

  ASSERT_EQ(ui.MessageIds(), std::vector<int>{kMsgLoadingOk});
  EXPECT_EQ(ui.messages[0].text, "Software version succesfully loaded.");
  EXPECT_TRUE(ui.messages[0].progressOpen);  // told while the progress window is open
  EXPECT_FALSE(ui.messages[0].ownerWasEnabled);
  EXPECT_FALSE(mainEverEnabled);
  EXPECT_GT(percents.size(), 2u);
  EXPECT_TRUE(closeRefused);
  EXPECT_EQ(cancelLabel, "Cancel");
  EXPECT_EQ(settings.GetText("FILE_LOCATION", "DIR", "none"), "none");  // nothing saved
  EXPECT_TRUE(dlg.isVisible() && dlg.isEnabled());
  EXPECT_EQ(ui.Progress(), nullptr);
  EXPECT_TRUE(ui.serialMessages.empty());

  const std::optional<json_lite::Value> report = sim.Stop();
  ASSERT_TRUE(report.has_value());
  ASSERT_EQ(report->at("outcomes").size(), 1u);
  EXPECT_EQ(report->at("outcomes").at(0).AsString(), GetParam().second);
  EXPECT_EQ(report->at("violations").size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(EachFamily, GuiLoad,
                         ::testing::Values(std::pair{"VR540", "5"}, std::pair{"TK20B", "POK"}),
                         [](const auto& param) { return std::string(param.param.first); });

}  // namespace
