#include "tests/second/tk_sim_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "loader/second/second_family.h"

TkSimRun::TkSimRun(const std::vector<std::string>& simArgs, const TkProgramFile& file)
    : program(file) {
  std::vector<std::string> args = {"--family", "TK20B"};
  args.insert(args.end(), simArgs.begin(), simArgs.end());
  started_ = sim_.Start(args);
  dir.Write("chgt.cfg", std::string("REC:TK20B\r\nNAM:TK20B\r\nE/S:TK20B\r\nWRG:") + kSimTk20bText +
                            "\r\nLGB:gb;English\r\nLFR:fra;Francais\r\n");
  dir.Write("TK20B.gb", program.Bytes());
  std::string slave = sim_.SlavePath();
  port = std::make_unique<CSerialPort>(ui, [slave](int) { return slave; });
  w = std::make_unique<CLoaderState>(ui, clock, settings, *port);
  w->catalogueFolder = dir.Path();
  w->receiverTypes.entries = {"TK20B"};
  w->receiverTypes.selection = 0;
  w->folder = dir.Path() + "/";
  w->fileName = "TK20B.gb";
}

std::optional<json_lite::Value> TkSimRun::Load() {
  std::int64_t start = clock.NowMs();
  RunTkLoad(*w, "TK20B");
  loadMs_ = clock.NowMs() - start;
  return sim_.Stop();
}

std::string SimBytes(const json_lite::Value& hex) {
  auto bytes = json_lite::BytesFromHex(hex.AsString());
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<bad hex>");
}

std::vector<SimRecord> SimRecords(const json_lite::Value& report) {
  std::vector<SimRecord> records;
  const json_lite::Value& list = report.at("records");
  for (std::size_t i = 0; i < list.size(); ++i) {
    const json_lite::Value& r = list.at(i);
    records.push_back({r.at("kind").AsString(), SimBytes(r.at("hex")), r.at("bitRate").AsInt(),
                       r.at("stopBits").AsInt(), r.at("answer").AsString()});
  }
  return records;
}

void ExpectCleanExchange(const json_lite::Value& report, const TkProgramFile& program,
                         long long bitRate) {
  EXPECT_EQ(report.at("family").AsString(), "TK20B");
  const json_lite::Value& violations = report.at("violations");
  for (std::size_t i = 0; i < violations.size(); ++i)
    ADD_FAILURE() << "violation: " << violations.at(i).AsString();
  for (const SimRecord& r : SimRecords(report)) {
    EXPECT_NE(r.bytes, program.header);
    EXPECT_NE(std::find(program.records.begin(), program.records.end(), r.bytes),
              program.records.end())
        << "a record that is not in the file";
    EXPECT_EQ(r.bitRate, bitRate);
    EXPECT_EQ(r.stopBits, 1);
  }
  const json_lite::Value& phases = report.at("phases");
  for (std::size_t i = 0; i < phases.size(); ++i) {
    const json_lite::Value& p = phases.at(i);
    std::string name = p.at("phase").AsString();
    SCOPED_TRACE(name);
    if (name == "normal" || name == "identify") {
      EXPECT_EQ(p.at("bitRate").AsInt(), 4800);
      EXPECT_EQ(p.at("stopBits").AsInt(), 2);
    } else {
      EXPECT_EQ(p.at("bitRate").AsInt(), bitRate);
      EXPECT_EQ(p.at("stopBits").AsInt(), 1);
    }
  }
}
