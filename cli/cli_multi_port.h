// Loads on several ports in one run, for production lines: the file is read and checked once,
// then each port runs the family's own load on its own serial port object and thread. Nobody
// answers questions: --answer, or the answer that loses nothing. On a terminal each port has a
// live line; otherwise plain lines carry the port and a time stamp. A summary table ends the
// run. With --watch, every serial adapter that appears is loaded, until a stop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/user_interaction.h"
#include "cli/cli_user_interaction.h"
#include "loader/load_outcome.h"

class CLoadJournal;
class CSettingsStore;
class InterruptSource;
class PortDiscovery;
struct CliOptions;

// One port of the run: the number its marker and dump are kept under, and its device.
struct PortJob {
  int portNumber = 1;
  std::string device;
  std::string identity;  // the adapter, where known (by-id name, USB ids and serial number)
};

// The live lines (terminal) or plain lines (otherwise) of all the ports, and their message
// lines on standard output, each starting with the port.
class CMultiPortConsole {
 public:
  // `nowMs` reads a monotonic clock, `wallClock` gives "2026-12-07T10:15:02Z" (both real
  // when empty).
  CMultiPortConsole(std::ostream& out, std::ostream& err, bool terminal,
                    std::function<std::int64_t()> nowMs = {},
                    std::function<std::string()> wallClock = {});

  void AddPort(int portNumber);
  // "COMn: " before each line of `text`.
  void PrintMessage(int portNumber, const std::string& prefix, const std::string& text);
  void SetText(int portNumber, const std::string& text);
  void SetPosition(int portNumber, int position, std::uint32_t bitRate);
  // The port's line shows its end.
  void Finish(int portNumber, const std::string& end);
  // Redraws the live lines when a second has passed.
  void Tick();
  // Standard output's lines after the live block, which goes for good.
  void PrintAfter(const std::string& text);

 private:
  struct Entry {
    int portNumber = 0;
    std::string text;
    int position = 0;
    std::uint32_t bitRate = 0;
    std::int64_t startMs = 0;
    std::int64_t phaseStartMs = 0;
    int phaseStartPosition = 0;
    std::string end;
    std::string shown;  // what the last plain line said
  };
  Entry* Find(int portNumber);
  std::string Status(const Entry& entry) const;
  void Redraw();
  void ClearBlock();
  void PlainLine(Entry& entry);

  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
  std::function<std::int64_t()> nowMs_;
  std::function<std::string()> wallClock_;
  std::vector<Entry> entries_;
  int drawnLines_ = 0;
  std::int64_t lastDrawMs_ = 0;
  std::mutex mutex_;
};

// What asks every load of the run to stop: a signal, or Ctrl+C (there is nobody to confirm
// it in a run of several ports).
class CRunStop {
 public:
  explicit CRunStop(InterruptSource& interrupts) : interrupts_(interrupts) {}
  // Takes a press of Ctrl+C, if any, as the stop of the run.
  void Poll();
  std::string Cause() const;

 private:
  InterruptSource& interrupts_;
  std::atomic<bool> pressed_{false};
};

// The user interface of one port's load.
class CPortUserInteraction : public UserInteraction {
 public:
  CPortUserInteraction(int portNumber, CMultiPortConsole& console, const CRunStop& stop,
                       std::optional<bool> answer);

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void ShowSerialMessage(const std::string& text) override;
  void ShowFileReadError() override;
  void ShowPortOpenFailure(const PortOpenFailure& failure) override;
  bool OpenProgress(const std::string& caption) override;
  void SetProgressText(const std::string& text) override;
  int SetProgressPosition(int position) override;
  int PollCancel() override;
  void CloseProgress() override;
  std::string StopCause() const override;

  // The rate the port runs at, for the live line.
  void SetBitRateSource(std::function<std::uint32_t()> source) { bitRate_ = std::move(source); }

 private:
  int portNumber_;
  CMultiPortConsole& console_;
  const CRunStop& stop_;
  std::optional<bool> answer_;
  std::function<std::uint32_t()> bitRate_;
  int position_ = 0;
};

struct PortResult {
  PortJob job;
  LoadOutcome outcome;
  std::int64_t durationMs = 0;
};

// "port  device  type  version  outcome  time" and a line per port.
std::string FormatSummary(const std::vector<PortResult>& results, const std::string& type,
                          const std::string& version, Language language);

// Ports given as "1,2,3" (1 to 4 each, none twice); none with `error` set otherwise.
std::optional<std::vector<int>> ParsePortList(const std::string& text, std::string* error);

// The run: ports from --port and --device N=PATH (or the one port), or --watch. Every load
// appends its line to `journal` (when given). Exit status 0 only when every port loaded.
int RunSeveralPorts(const CliOptions& options, const std::string& catalogueFolder,
                    CSettingsStore& settings, Language language, CCliUserInteraction& ui,
                    InterruptSource& interrupts, std::ostream& out, std::ostream& err,
                    bool terminal, PortDiscovery* watchDiscovery, CLoadJournal* journal);
