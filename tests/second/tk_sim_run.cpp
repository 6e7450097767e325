#include "tests/second/tk_sim_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "loader/second/second_family.h"

TkSimRun::TkSimRun(const std::vector<std::string>& simArgs, TkProgramFile file)
    : program(std::move(file)) {
  std::vector<std::string> args = {"--family", "TK20B"};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  started_ = sim_.Start(args);
  std::string slave = sim_.SlavePath();
  port = std::make_unique<CSerialPort>(ui, [slave](int) { return slave; });
  w = std::make_unique<CLoaderState>(ui, clock, settings, *port);
  SelectTk20b(*w, dir, "TK20B BOOT WAITING", "TK20B.gb");
  dir.Write(w->fileName, program.Bytes());
}

std::string SimBytes(const json_lite::Value& hex) {
  auto bytes = json_lite::BytesFromHex(hex.AsString());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<bad hex>");
}

json_lite::Value TkSimRun::Load() {
  std::int64_t start = clock.NowMs();
  RunTkLoad(*w, "TK20B");
  loadMs = clock.NowMs() - start;
  std::optional<json_lite::Value> stopped = sim_.Stop();
  if (!stopped) ADD_FAILURE() << "kznsim left no report";
  json_lite::Value report = stopped.value_or(json_lite::Value());

  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(ui.progressClosed, 1);
  EXPECT_EQ(report.at("family").AsString(), "TK20B");
  const json_lite::Value& violations = report.at("violations");
  for (std::size_t i = 0; i < violations.size(); ++i)
    ADD_FAILURE() << "violation: " << violations.at(i).AsString();
  const json_lite::Value& records = report.at("records");
  for (std::size_t i = 0; i < records.size(); ++i) {
    const json_lite::Value& r = records.at(i);
    std::string bytes = SimBytes(r.at("hex"));
    EXPECT_NE(std::find(program.records.begin(), program.records.end(), bytes),
              program.records.end())
        << "record " << i << " is not in the file";
    EXPECT_EQ(r.at("bitRate").AsInt(), 115200);
    EXPECT_EQ(r.at("stopBits").AsInt(), 1);
  }
  const json_lite::Value& phases = report.at("phases");
  for (std::size_t i = 0; i < phases.size(); ++i) {
    const json_lite::Value& p = phases.at(i);
    std::string name = p.at("phase").AsString();
    bool slow = name == "normal" || name == "identify";
    EXPECT_EQ(p.at("bitRate").AsInt(), slow ? 4800 : 115200) << name;
    EXPECT_EQ(p.at("stopBits").AsInt(), slow ? 2 : 1) << name;
  }
  return report;
}
