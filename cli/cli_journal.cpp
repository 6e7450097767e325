#include "cli/cli_journal.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "app/load_journal.h"
#include "cli/display_text.h"

namespace {

constexpr const char* kProgramName = "kznload-cli: ";

CliParseResult Fail(std::string error) {
  CliParseResult result;
  result.error = std::move(error);
  return result;
}

bool IsDate(const std::string& text) {
  return text.size() == 10 && IsUtcIsoTime(text + "T00:00:00Z");
}

// A port number as COMn has it: 1 to 9999, digits only.
std::optional<int> ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 4 || text[0] == '0') return std::nullopt;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  return port;
}

bool Chosen(const JournalEntry& entry, const CliJournalOptions& options) {
  const std::string day = entry.start.substr(0, 10);
  if (options.since && day < *options.since) return false;
  if (options.until && day > *options.until) return false;
  return !options.port || entry.port == *options.port;
}

// Characters on the terminal, counting a UTF-8 sequence as one.
std::size_t Width(std::string_view text) {
  std::size_t width = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

std::string Cell(const std::string& text) {
  std::string shown = DisplayText(text);
  return shown.empty() ? "-" : shown;
}

std::string FileName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Duration(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
  return text;
}

constexpr std::size_t kColumns = 9;
using Row = std::array<std::string, kColumns>;

Row RowOf(const JournalEntry& e) {
  std::string start = e.start.substr(0, 19);
  start[10] = ' ';
  std::string outcome = LoadEndName(e.outcome);
  if (e.messageId != 0) outcome += " [" + std::to_string(e.messageId) + "]";
  return Row{start,
             "COM" + std::to_string(e.port),
             Cell(e.device),
             Cell(e.receiverType),
             Cell(e.languageVersion ? *e.languageVersion : FileName(e.file)),
             outcome,
             std::to_string(e.recordsSent),
             std::to_string(e.resends),
             Duration(e.durationMs)};
}

void WriteTable(const std::vector<Row>& rows, std::ostream& out) {
  std::array<std::size_t, kColumns> widths{};
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < kColumns; ++c)
      widths[c] = std::max(widths[c], Width(row[c]));
  }
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < kColumns; ++c) {
      line += row[c];
      if (c + 1 < kColumns) line += std::string(widths[c] - Width(row[c]) + 2, ' ');
    }
    out << line << '\n';
  }
}

}  // namespace

CliParseResult ParseJournalCommand(const std::vector<std::string>& args) {
  CliOptions options;
  options.command = CliCommand::kJournal;
  CliJournalOptions& journal = options.journal;
  bool jsonSeen = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      CliParseResult help;
      help.options = CliOptions{};
      return help;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name == "--json") {
      if (value) return Fail("--json takes no value");
      if (jsonSeen) return Fail("--json is given twice");
      jsonSeen = journal.json = true;
      continue;
    }
    if (name != "--since" && name != "--until" && name != "--port") {
      if (arg.rfind("-", 0) == 0) return Fail("unknown option '" + arg + "' for journal");
      return Fail("unexpected argument '" + arg + "' for journal");
    }
    if (!value) {
      if (i + 1 >= args.size()) return Fail(name + " needs a value");
      value = args[++i];
    }
    if (name == "--port") {
      if (journal.port) return Fail("--port is given twice");
      journal.port = ParsePort(*value);
      if (!journal.port) return Fail("--port takes a port number, not '" + *value + "'");
      continue;
    }
    std::optional<std::string>& day = name == "--since" ? journal.since : journal.until;
    if (day) return Fail(name + " is given twice");
    if (!IsDate(*value)) return Fail(name + " takes a day as YYYY-MM-DD, not '" + *value + "'");
    day = *value;
  }
  if (journal.since && journal.until && *journal.since > *journal.until)
    return Fail("--since " + *journal.since + " is after --until " + *journal.until);
  CliParseResult result;
  result.options = std::move(options);
  return result;
}

int ShowJournal(const std::string& path, const CliJournalOptions& options, std::ostream& out,
                std::ostream& err) {
  std::string why;
  const std::optional<std::string> content = CLoadJournal::ReadContent(path, &why);
  if (!content) {
    err << kProgramName << "the journal " << path << " cannot be read: " << why << '\n';
    return kExitFailed;
  }
  std::vector<Row> rows{{"START (UTC)", "PORT", "DEVICE", "TYPE", "VERSION OR FILE", "OUTCOME",
                         "RECORDS", "RESENT", "DURATION"}};
  std::size_t shown = 0;
  for (const JournalLine& line : ReadJournalLines(*content)) {
    if (!line.entry) {
      err << kProgramName << "line " << line.number << " of the journal skipped: " << line.problem
          << '\n';
      continue;
    }
    if (!Chosen(*line.entry, options)) continue;
    ++shown;
    if (options.json) {
      out << line.text << '\n';
    } else {
      rows.push_back(RowOf(*line.entry));
    }
  }
  if (shown == 0) {
    err << kProgramName << (content->empty() ? "no load in the journal yet" : "no load chosen")
        << " (" << path << ")\n";
  } else if (!options.json) {
    WriteTable(rows, out);
  }
  out << std::flush;
  return kExitLoaded;
}
