#include "cli/cli_multi_port.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "app/families.h"
#include "app/loader_session.h"
#include "app/loader_state.h"
#include "app/main_window_logic.h"
#include "app/window_selection.h"
#include "base/clock.h"
#include "base/progress.h"
#include "base/settings_keys.h"
#include "base/settings_store.h"
#include "catalogue/catalogue.h"
#include "cli/cli_commands.h"
#include "cli/cli_interrupt.h"
#include "cli/cli_journal.h"
#include "cli/cli_options.h"
#include "cli/cli_system_ports.h"
#include "cli/display_text.h"
#include "loader/program_image.h"
#include "serial/com_device.h"
#include "serial/no_serial_link.h"
#include "serial/port_discovery.h"
#include "serial/serial_port.h"

namespace {

// How often the live lines are redrawn for their clocks, and how often --watch looks for
// adapters when the system does not tell it of them.
constexpr std::int64_t kRedrawMs = 1000;
constexpr int kWaitStepMs = 200;
constexpr std::int64_t kWatchScanMs = 1000;
// Port numbers --watch gives adapters start behind COM1 to COM4, which belong to the window.
constexpr int kFirstWatchPort = 5;
constexpr int kLastWatchPort = 127;

std::int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string MinutesSeconds(std::int64_t ms) {
  const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string ComName(int portNumber) {
  return "COM" + std::to_string(portNumber);
}

}  // namespace

CMultiPortConsole::CMultiPortConsole(std::ostream& out, std::ostream& err, bool terminal,
                                     std::function<std::int64_t()> nowMs,
                                     std::function<std::string()> wallClock)
    : out_(out),
      err_(err),
      terminal_(terminal),
      nowMs_(nowMs ? std::move(nowMs) : SteadyNowMs),
      wallClock_(wallClock ? std::move(wallClock) : UtcNow) {}

CMultiPortConsole::Entry* CMultiPortConsole::Find(int portNumber) {
  for (Entry& entry : entries_) {
    if (entry.portNumber == portNumber) return &entry;
  }
  return nullptr;
}

void CMultiPortConsole::AddPort(int portNumber) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry fresh;
  fresh.portNumber = portNumber;
  fresh.startMs = fresh.phaseStartMs = nowMs_();
  if (Entry* entry = Find(portNumber)) {
    *entry = fresh;  // an adapter plugged in again
  } else {
    entries_.push_back(fresh);
  }
  if (terminal_) Redraw();
}

std::string CMultiPortConsole::Status(const Entry& entry) const {
  std::string line = ComName(entry.portNumber) + "  ";
  if (!entry.end.empty()) return line + entry.end;
  line += std::to_string(entry.position) + "%  " + entry.text;
  if (entry.bitRate != 0) line += "  " + std::to_string(entry.bitRate) + " bit/s";
  const std::int64_t now = nowMs_();
  line += "  " + MinutesSeconds(now - entry.startMs);
  // Time left from this step's own pace, once it has moved.
  const int moved = entry.position - entry.phaseStartPosition;
  if (moved > 0 && entry.position < 100) {
    const std::int64_t left = (now - entry.phaseStartMs) * (100 - entry.position) / moved;
    line += ", " + MinutesSeconds(left) + " left";
  }
  return line;
}

void CMultiPortConsole::ClearBlock() {
  if (drawnLines_ == 0) return;
  err_ << "\x1b[" << drawnLines_ << "F\x1b[J";
  drawnLines_ = 0;
}

void CMultiPortConsole::Redraw() {
  ClearBlock();
  for (const Entry& entry : entries_)
    err_ << Status(entry) << '\n';
  drawnLines_ = static_cast<int>(entries_.size());
  err_ << std::flush;
  lastDrawMs_ = nowMs_();
}

void CMultiPortConsole::PlainLine(Entry& entry) {
  std::string status = std::to_string(entry.position) + "% " + entry.text;
  if (!entry.end.empty()) status = entry.end;
  if (status == entry.shown) return;
  entry.shown = status;
  err_ << wallClock_() << ' ' << ComName(entry.portNumber) << ' ' << status << '\n' << std::flush;
}

void CMultiPortConsole::PrintMessage(int portNumber, const std::string& prefix,
                                     const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_) ClearBlock();
  std::istringstream lines(text);
  std::string line;
  bool first = true;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out_ << ComName(portNumber) << ": " << (first ? prefix : std::string()) << line << '\n';
    first = false;
  }
  if (first) out_ << ComName(portNumber) << ": " << prefix << '\n';
  out_ << std::flush;
  if (terminal_) Redraw();
}

void CMultiPortConsole::SetText(int portNumber, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(portNumber);
  if (entry == nullptr || entry->text == text) return;
  entry->text = text;
  entry->phaseStartMs = nowMs_();
  entry->phaseStartPosition = entry->position;
  terminal_ ? Redraw() : PlainLine(*entry);
}

void CMultiPortConsole::SetPosition(int portNumber, int position, std::uint32_t bitRate) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(portNumber);
  if (entry == nullptr) return;
  const bool changed = entry->position != position || entry->bitRate != bitRate;
  // A step that starts its bar again (the transfer after the read-out) times itself anew.
  if (position < entry->position) {
    entry->phaseStartMs = nowMs_();
    entry->phaseStartPosition = position;
  }
  entry->position = position;
  entry->bitRate = bitRate;
  if (!changed) return;
  terminal_ ? Redraw() : PlainLine(*entry);
}

void CMultiPortConsole::Finish(int portNumber, const std::string& end) {
  std::lock_guard<std::mutex> lock(mutex_);
  Entry* entry = Find(portNumber);
  if (entry == nullptr) return;
  entry->end = end;
  terminal_ ? Redraw() : PlainLine(*entry);
}

void CMultiPortConsole::Tick() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_ && nowMs_() - lastDrawMs_ >= kRedrawMs) Redraw();
}

void CMultiPortConsole::PrintAfter(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_) {
    ClearBlock();
    // The last state of every port stays on the screen above the summary.
    for (const Entry& entry : entries_)
      err_ << Status(entry) << '\n';
    err_ << std::flush;
    terminal_ = false;
  }
  out_ << text << std::flush;
}

void CRunStop::Poll() {
  if (interrupts_.TakePress()) pressed_ = true;
}

std::string CRunStop::Cause() const {
  if (const int signal = interrupts_.StopSignal(); signal != 0) return DescribeStop(signal);
  return pressed_ ? DescribeStop(UnconfirmedPressStop()) : std::string();
}

CPortUserInteraction::CPortUserInteraction(int portNumber, CMultiPortConsole& console,
                                           const CRunStop& stop, std::optional<bool> answer)
    : portNumber_(portNumber), console_(console), stop_(stop), answer_(answer) {}

int CPortUserInteraction::ShowMessageBox(const MessageBoxRequest& request) {
  console_.PrintMessage(portNumber_, "[" + std::to_string(request.messageId) + "] ", request.text);
  if (!request.detail.empty()) console_.PrintMessage(portNumber_, "[file] ", request.detail);
  if (request.style != kStyleQuestion) return kResultOk;
  // Nobody can answer for several receivers at one terminal.
  int answer = UnattendedAnswer(request);
  if (answer_ && stop_.Cause().empty()) answer = *answer_ ? kResultYes : kResultNo;
  console_.PrintMessage(portNumber_, "[answer] ",
                        answer == kResultYes  ? "Yes"
                        : answer == kResultNo ? "No"
                                              : "none");
  return answer;
}

void CPortUserInteraction::ShowSerialMessage(const std::string& text) {
  console_.PrintMessage(portNumber_, "[serial] ", text);
}

void CPortUserInteraction::ShowFileReadError() {
  console_.PrintMessage(portNumber_, "[file] ", kFileReadErrorText);
}

void CPortUserInteraction::ShowPortOpenFailure(const PortOpenFailure& failure) {
  console_.PrintMessage(portNumber_, "[serial] ", PortOpenFailureText(failure));
}

bool CPortUserInteraction::OpenProgress(const std::string& /*caption*/) {
  return true;
}

void CPortUserInteraction::SetProgressText(const std::string& text) {
  console_.SetText(portNumber_, text);
}

int CPortUserInteraction::SetProgressPosition(int position) {
  const int previous = position_;
  position_ = position;
  console_.SetPosition(portNumber_, position, bitRate_ ? bitRate_() : 0);
  return previous;
}

int CPortUserInteraction::PollCancel() {
  return stop_.Cause().empty() ? 0 : 1;
}

void CPortUserInteraction::CloseProgress() {}

std::string CPortUserInteraction::StopCause() const {
  return stop_.Cause();
}

std::optional<std::vector<int>> ParsePortList(const std::string& text, std::string* error) {
  std::vector<int> ports;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.size() != 1 || item[0] < '1' || item[0] > '4') {
      *error = "--port takes port numbers from 1 to 4, not '" + item + "'";
      return std::nullopt;
    }
    const int port = item[0] - '0';
    if (std::find(ports.begin(), ports.end(), port) != ports.end()) {
      *error = "--port names COM" + item + " twice";
      return std::nullopt;
    }
    ports.push_back(port);
  }
  if (ports.empty() || text.empty() || text.back() == ',') {
    *error = "--port takes port numbers from 1 to 4, not '" + text + "'";
    return std::nullopt;
  }
  return ports;
}

std::string FormatSummary(const std::vector<PortResult>& results, const std::string& type,
                          const std::string& version, Language language) {
  std::vector<std::vector<std::string>> rows{
      {"port", "device", "type", "version", "outcome", "time"}};
  for (const PortResult& r : results) {
    std::string outcome = LoadEndName(r.outcome.end);
    if (r.outcome.messageId != 0) outcome += " [" + std::to_string(r.outcome.messageId) + "]";
    if (r.outcome.end == LoadEnd::kCancelled && !r.outcome.stopCause.empty())
      outcome += " (" + r.outcome.stopCause + ")";
    if (r.outcome.tablesLeftOut) outcome += " without tables";
    rows.push_back({ComName(r.job.portNumber), r.job.device, DisplayText(type),
                    DisplayText(version), outcome, MinutesSeconds(r.durationMs)});
  }
  (void)language;
  std::vector<std::size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  }
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    table += line + '\n';
  }
  return table;
}

namespace {

// The choice of type, version and file, made once for every port.
struct RunChoice {
  CLoaderState* selection = nullptr;
  std::shared_ptr<const ProgramImage> image;
  std::string type;
  std::string version;  // the language version's label, or the file's name
};

// The stable port number of an adapter that --watch found, kept in the settings
// ("WATCH_PORTS") so that its marker and dump follow it from run to run.
int WatchPortNumber(CSettingsStore& settings, const std::string& identity) {
  std::string key;
  for (char c : identity)
    key += (c == '=' || c == '[' || c == ']' || c == ';' || c == '\r' || c == '\n') ? '_' : c;
  const int known = settings.GetInt(kWatchPortsSection, key, 0);
  if (known >= kFirstWatchPort && known <= kLastWatchPort) return known;
  const int next = std::max(settings.GetInt(kWatchPortsSection, kNextWatchPortKey, kFirstWatchPort),
                            kFirstWatchPort);
  if (next > kLastWatchPort) return 0;
  settings.SetInt(kWatchPortsSection, kNextWatchPortKey, next + 1);
  settings.SetInt(kWatchPortsSection, key, next);
  return next;
}

std::string IdentityOf(const SerialPortInfo& info) {
  if (!info.serialNumber.empty())
    return "usb-" + info.vendorId + ":" + info.productId + "-" + info.serialNumber;
  if (!info.byIdPath.empty()) return info.byIdPath;
  return info.device;
}

class CRun {
 public:
  CRun(const CliOptions& options, const RunChoice& choice, const std::string& settingsPath,
       Language language, CMultiPortConsole& console, CRunStop& stop, CLoadJournal* journal)
      : options_(options),
        choice_(choice),
        settingsPath_(settingsPath),
        language_(language),
        console_(console),
        stop_(stop),
        journal_(journal) {}

  ~CRun() { JoinAll(); }

  void Start(const PortJob& job) {
    console_.AddPort(job.portNumber);
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
    threads_.emplace_back([this, job] { Load(job); });
  }

  // Sleeps until a load ends or `ms` has passed.
  void WaitStep(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    ended_.wait_for(lock, std::chrono::milliseconds(ms));
  }

  bool Running() {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_ > 0;
  }

  bool IsLoading(const std::string& identity) {
    std::lock_guard<std::mutex> lock(mutex_);
    return loading_.count(identity) != 0;
  }
  void NoteLoading(const std::string& identity) {
    std::lock_guard<std::mutex> lock(mutex_);
    loading_.insert(identity);
  }

  void JoinAll() {
    for (std::thread& thread : threads_) {
      if (thread.joinable()) thread.join();
    }
  }

  std::vector<PortResult> Results() {
    std::lock_guard<std::mutex> lock(mutex_);
    return results_;
  }

 private:
  void Load(PortJob job) {
    CPortUserInteraction ui(job.portNumber, console_, stop_, options_.answer);
    CLoaderSession session(ui, settingsPath_, job.device);
    ui.SetBitRateSource([&port = session.port] { return port.BitRate(); });
    CLoaderState& w = session.state;
    const CLoaderState& chosen = *choice_.selection;
    w.language = language_;
    w.catalogueFolder = chosen.catalogueFolder;
    w.mode = chosen.mode;
    w.receiverTypes = chosen.receiverTypes;
    w.languageVersions = chosen.languageVersions;
    w.folder = chosen.folder;
    w.fileName = chosen.fileName;
    w.keepUserData = chosen.keepUserData;
    w.portNumber = static_cast<std::int8_t>(job.portNumber);
    w.checkedImage = choice_.image;
    if (journal_ != nullptr) {
      session.AttachJournal(*journal_, DescribeSystemAdapter);
      // An adapter --watch knows by its USB identity or by-id name is journaled by it.
      if (!job.identity.empty() && job.identity != job.device) {
        const std::string identity = job.identity;
        w.describeAdapter = [identity](const std::string&) { return identity; };
      }
    }
    // Each load merges its read-out into alm.alm under the file's lock, so the rows of
    // every port survive.
    ReadAlmanacBackup(w);
    const std::int64_t start = SteadyNowMs();
    const LoadOutcome outcome = StartLoad(w);
    PortResult result{job, outcome, SteadyNowMs() - start};
    if (std::optional<OutcomeLine> line =
            OutcomeLineOf(outcome, job.portNumber, job.device, language_)) {
      console_.PrintMessage(job.portNumber, line->prefix, line->text);
    }
    std::string end = LoadEndName(outcome.end);
    if (outcome.messageId != 0) end += " [" + std::to_string(outcome.messageId) + "]";
    console_.Finish(job.portNumber, end);
    std::lock_guard<std::mutex> lock(mutex_);
    results_.push_back(result);
    loading_.erase(job.identity);
    --running_;
    ended_.notify_all();
  }

  const CliOptions& options_;
  const RunChoice& choice_;
  std::string settingsPath_;
  Language language_;
  CMultiPortConsole& console_;
  CRunStop& stop_;
  CLoadJournal* journal_;
  std::mutex mutex_;
  std::condition_variable ended_;
  std::vector<std::thread> threads_;
  std::vector<PortResult> results_;
  std::set<std::string> loading_;
  int running_ = 0;
};

// The file checked once, before any port is touched: refused for all of them together.
bool CheckFileOnce(CLoaderState& w, CCliUserInteraction& ui, RunChoice* choice) {
  const FamilyRow* family = FamilyToLoad(w);
  if (family == nullptr) return false;
  const RecordRules rules = family->records;
  if (!w.IsExpertMode() && ResolveLanguageFile(w) < 0) return false;
  auto image = std::make_shared<ProgramImage>();
  switch (LoadProgramImage(w.FilePath(), rules, ui, image.get())) {
    case ImageLoad::kReady:
      break;
    case ImageLoad::kUnreadable:
      ShowMessageById(ui, w.language, kMsgTempFileError, kStyleExclamation);
      return false;
    case ImageLoad::kRefused:
      ShowMessageById(ui, w.language, kMsgLoadingFailed, kStyleExclamation,
                      DescribeImageFault(image->bytes, image->layout, rules, w.language));
      return false;
  }
  choice->image = std::move(image);
  return true;
}

}  // namespace

int RunSeveralPorts(const CliOptions& options, const std::string& catalogueFolder,
                    CSettingsStore& settings, Language language, CCliUserInteraction& ui,
                    InterruptSource& interrupts, std::ostream& out, std::ostream& err,
                    bool terminal, PortDiscovery* watchDiscovery, CLoadJournal* journal) {
  CSteadyClock clock;
  CNoSerialLink noLink;
  CLoaderState selection(ui, clock, settings, noLink);
  selection.language = language;
  selection.catalogueFolder = catalogueFolder;
  const int selected = SelectFileToSend(selection, options, err);
  if (selected != kExitLoaded) return selected;
  RunChoice choice;
  choice.selection = &selection;
  if (!CheckFileOnce(selection, ui, &choice)) return kExitFailed;
  choice.type = selection.receiverTypes.SelectedText();
  choice.version = selection.IsExpertMode() || !selection.languageVersions.HasSelection()
                       ? selection.fileName
                       : selection.languageVersions.SelectedText();

  CMultiPortConsole console(out, err, terminal);
  CRunStop stop(interrupts);
  // Ctrl+C stops the run instead of ending the program, and is taken here.
  interrupts.DiscardPresses();
  interrupts.SetWatching(true);
  {
    CRun run(options, choice, settings.Path(), language, console, stop, journal);
    if (watchDiscovery == nullptr) {
      for (const auto& [portNumber, device] : options.portDevices)
        run.Start(PortJob{portNumber, device, device});
      for (int portNumber : options.portNumbers) {
        const bool given = std::any_of(options.portDevices.begin(), options.portDevices.end(),
                                       [&](const auto& p) { return p.first == portNumber; });
        if (given) continue;
        const std::string device = ResolveComDevice(settings, portNumber);
        run.Start(PortJob{portNumber, device, device});
      }
      while (run.Running()) {
        run.WaitStep(kWaitStepMs);
        stop.Poll();
        console.Tick();
      }
    } else {
      // Adapters there at the start are left alone: only one that appears is a receiver
      // put there to be loaded. One unplugged and plugged again is loaded again.
      std::set<std::string> present;
      for (const SerialPortInfo& info : watchDiscovery->FindPorts())
        present.insert(IdentityOf(info));
      err << "waiting for receivers (Ctrl+C ends the run)\n" << std::flush;
      std::int64_t lastScan = SteadyNowMs();
      while (stop.Cause().empty()) {
        // Woken by the system's word that a device came or went; a look every so often
        // all the same, for what a discovery cannot tell.
        const bool changed = watchDiscovery->WaitForChange(kWaitStepMs);
        stop.Poll();
        console.Tick();
        if (!changed && SteadyNowMs() - lastScan < kWatchScanMs) continue;
        lastScan = SteadyNowMs();
        std::set<std::string> now;
        for (const SerialPortInfo& info : watchDiscovery->FindPorts()) {
          const std::string identity = IdentityOf(info);
          now.insert(identity);
          if (present.count(identity) != 0 || run.IsLoading(identity)) continue;
          const int portNumber = WatchPortNumber(settings, identity);
          if (portNumber == 0) {
            err << "kznload-cli: no port number left for " << identity << '\n';
            continue;
          }
          run.NoteLoading(identity);
          run.Start(PortJob{portNumber, info.device, identity});
        }
        present = std::move(now);
      }
      while (run.Running()) {
        run.WaitStep(kWaitStepMs);
        console.Tick();
      }
    }
    run.JoinAll();
    std::vector<PortResult> results = run.Results();
    std::sort(results.begin(), results.end(), [](const PortResult& a, const PortResult& b) {
      return a.job.portNumber < b.job.portNumber;
    });
    console.PrintAfter(FormatSummary(results, choice.type, choice.version, language));
    interrupts.SetWatching(false);
    const bool allLoaded = std::all_of(results.begin(), results.end(),
                                       [](const PortResult& r) { return r.outcome.Loaded(); });
    return allLoaded ? kExitLoaded : kExitFailed;
  }
}
