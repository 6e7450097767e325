#include "app/load_journal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <nlohmann/json.hpp>
#include <utility>

#include "base/append_file.h"
#include "base/atomic_file.h"
#include "base/file_lock.h"
#include "base/system_error.h"
#include "base/user_interaction.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr LoadEnd kEnds[] = {LoadEnd::kLoaded, LoadEnd::kRefused, LoadEnd::kFailed,
                             LoadEnd::kCancelled};

Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(text);
}

template <typename T>
Json ValueOrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

bool IsDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits)
    value = value * 10 + (c - '0');
  return value;
}

// Reads the members of one line, noting the first that is wrong.
class CLineReader {
 public:
  explicit CLineReader(const Json& object) : object_(object) {}

  const std::string& Problem() const { return problem_; }

  // A text member; absent or null leaves `out` as it is unless required.
  void Text(const char* key, std::string* out, bool required = false) {
    const Json* value = Find(key, required);
    if (value == nullptr) return;
    if (!value->is_string()) return Fail(std::string("\"") + key + "\" is not a text");
    *out = value->get<std::string>();
  }

  void OptionalText(const char* key, std::optional<std::string>* out) {
    const Json* value = Find(key, false);
    if (value == nullptr) return;
    if (!value->is_string()) return Fail(std::string("\"") + key + "\" is not a text");
    *out = value->get<std::string>();
  }

  // A whole number from `min` to `max`.
  template <typename T>
  void Integer(const char* key, T* out, long long min, long long max, bool required = false) {
    const Json* value = Find(key, required);
    if (value == nullptr) return;
    if (value->is_number_unsigned()) {
      const auto n = value->get<unsigned long long>();
      if (max >= 0 && n <= static_cast<unsigned long long>(max)) {
        *out = static_cast<T>(n);
        return;
      }
    } else if (value->is_number_integer()) {
      const auto n = value->get<long long>();
      if (n >= min && n <= max) {
        *out = static_cast<T>(n);
        return;
      }
    }
    Fail(std::string("\"") + key + "\" is not a number the journal holds");
  }

  void Size(const char* key, std::optional<std::uint64_t>* out) {
    const Json* value = Find(key, false);
    if (value == nullptr) return;
    if (!value->is_number_unsigned())
      return Fail(std::string("\"") + key + "\" is not a size in bytes");
    *out = value->get<std::uint64_t>();
  }

  void Flag(const char* key, bool* out) {
    const Json* value = Find(key, false);
    if (value == nullptr) return;
    if (!value->is_boolean()) return Fail(std::string("\"") + key + "\" is not true or false");
    *out = value->get<bool>();
  }

  void Fail(std::string problem) {
    if (problem_.empty()) problem_ = std::move(problem);
  }

 private:
  // The member's value; null when it is absent or null (noted when it is required).
  const Json* Find(const char* key, bool required) {
    auto found = object_.find(key);
    if (found == object_.end() || found->is_null()) {
      if (required) Fail(std::string("no \"") + key + "\"");
      return nullptr;
    }
    return &*found;
  }

  const Json& object_;
  std::string problem_;
};

void TraceToStandardError(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace

std::string FormatJournalLine(const JournalEntry& e) {
  Json line;
  line["start"] = e.start;
  line["end"] = e.end;
  line["durationMs"] = e.durationMs;
  line["program"] = e.program;
  line["programVersion"] = e.programVersion;
  line["port"] = e.port;
  line["device"] = TextOrNull(e.device);
  line["adapter"] = TextOrNull(e.adapter);
  line["receiverType"] = TextOrNull(e.receiverType);
  line["family"] = TextOrNull(e.family);
  line["languageVersion"] = ValueOrNull(e.languageVersion);
  line["file"] = TextOrNull(e.file);
  line["fileSize"] = ValueOrNull(e.fileSize);
  line["sha256"] = TextOrNull(e.sha256);
  line["headerVersion"] = ValueOrNull(e.headerVersion);
  line["outcome"] = LoadEndName(e.outcome);
  line["messageId"] = e.messageId != 0 ? Json(e.messageId) : Json(nullptr);
  line["message"] = e.message;
  line["detail"] = e.detail;
  line["stopCause"] = e.stopCause;
  line["tablesLeftOut"] = e.tablesLeftOut;
  line["recordsSent"] = e.recordsSent;
  line["resends"] = e.resends;
  // Texts are UTF-8 already; a byte that is not would become U+FFFD rather than end the line.
  return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<JournalEntry> ParseJournalLine(std::string_view line, std::string* why) {
  if (line.size() > kMaxJournalLineSize) {
    *why = "longer than any line of the journal";
    return std::nullopt;
  }
  const Json object = Json::parse(line.begin(), line.end(), nullptr, false);
  if (object.is_discarded()) {
    *why = "not JSON";
    return std::nullopt;
  }
  if (!object.is_object()) {
    *why = "not a JSON object";
    return std::nullopt;
  }
  JournalEntry e;
  CLineReader read(object);
  read.Text("start", &e.start, true);
  if (read.Problem().empty() && !IsUtcIsoTime(e.start))
    read.Fail("\"start\" is not a UTC time (YYYY-MM-DDTHH:MM:SS.mmmZ)");
  read.Text("end", &e.end);
  read.Integer("durationMs", &e.durationMs, LLONG_MIN, LLONG_MAX);
  read.Text("program", &e.program);
  read.Text("programVersion", &e.programVersion);
  read.Integer("port", &e.port, 0, INT_MAX, true);
  read.Text("device", &e.device);
  read.Text("adapter", &e.adapter);
  read.Text("receiverType", &e.receiverType);
  read.Text("family", &e.family);
  read.OptionalText("languageVersion", &e.languageVersion);
  read.Text("file", &e.file);
  read.Size("fileSize", &e.fileSize);
  read.Text("sha256", &e.sha256);
  read.OptionalText("headerVersion", &e.headerVersion);
  std::string outcome;
  read.Text("outcome", &outcome, true);
  bool known = false;
  for (LoadEnd end : kEnds) {
    if (outcome == LoadEndName(end)) {
      e.outcome = end;
      known = true;
    }
  }
  if (read.Problem().empty() && !known) read.Fail("\"outcome\" is no outcome of a load");
  read.Integer("messageId", &e.messageId, 0, INT_MAX);
  read.Text("message", &e.message);
  read.Text("detail", &e.detail);
  read.Text("stopCause", &e.stopCause);
  read.Flag("tablesLeftOut", &e.tablesLeftOut);
  read.Integer("recordsSent", &e.recordsSent, 0, INT_MAX);
  read.Integer("resends", &e.resends, 0, INT_MAX);
  if (!read.Problem().empty()) {
    *why = read.Problem();
    return std::nullopt;
  }
  return e;
}

std::vector<JournalLine> ReadJournalLines(std::string_view content) {
  std::vector<JournalLine> lines;
  std::size_t number = 0;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t nl = content.find('\n', pos);
    if (nl == std::string_view::npos) nl = content.size();
    std::string_view text = content.substr(pos, nl - pos);
    pos = nl + 1;
    ++number;
    // A line end an editor on Windows added.
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) continue;
    JournalLine line;
    line.number = number;
    line.text = std::string(text);
    line.entry = ParseJournalLine(text, &line.problem);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string UtcIsoTime(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(time);
  const auto day = floor<days>(ms);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> clock{ms - day};
  char text[40];
  std::snprintf(
      text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

bool IsUtcIsoTime(std::string_view text) {
  // 2025-03-01T10:00:00Z, with ".mmm" before the Z or without.
  if (text.size() != 20 && text.size() != 24) return false;
  if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
      text.back() != 'Z') {
    return false;
  }
  if (text.size() == 24 && (text[19] != '.' || !IsDigits(text.substr(20, 3)))) return false;
  for (std::size_t at : {0, 5, 8, 11, 14, 17}) {
    if (!IsDigits(text.substr(at, at == 0 ? 4 : 2))) return false;
  }
  const std::chrono::year_month_day date{std::chrono::year(Number(text.substr(0, 4))),
                                         std::chrono::month(Number(text.substr(5, 2))),
                                         std::chrono::day(Number(text.substr(8, 2)))};
  return date.ok() && Number(text.substr(11, 2)) < 24 && Number(text.substr(14, 2)) < 60 &&
         Number(text.substr(17, 2)) < 60;
}

CLoadJournal::CLoadJournal(std::string path, std::string program, TraceSink trace)
    : path_(std::move(path)), program_(std::move(program)), trace_(std::move(trace)) {
  if (!trace_) trace_ = TraceToStandardError;
}

bool CLoadJournal::Append(const std::string& line, std::string* why) {
  const std::string folder = FolderOf(path_);
  if (!MakeFolders(folder)) {
    const int code = LastSystemError();
    *why = IsExistingFile(folder) ? folder + " is a file, not a folder"
                                  : folder + ": " + SystemErrorText(code);
    return false;
  }
  CFileLock lock;
  if (!lock.Acquire(path_ + ".lock")) {
    *why = path_ + ".lock: " + SystemErrorText(LastSystemError());
    return false;
  }
  if (!AppendWholeLine(path_, line + '\n')) {
    *why = path_ + ": " + SystemErrorText(LastSystemError());
    return false;
  }
  return true;
}

bool CLoadJournal::Record(const JournalEntry& entry, UserInteraction& ui, Language language) {
  std::string why;
  bool written = false;
  try {
    written = Append(FormatJournalLine(entry), &why);
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (written || failureTold_.exchange(true)) return written;
  trace_(program_ + ": the journal of loads cannot be written (" + why +
         "); the loads go on without it, and this is not said again");
  // A stop ends the window: no box may hold it up.
  if (inBox_ && ui.StopCause().empty()) {
    MessageBoxRequest request;
    request.text = JournalFailureText(why, language);
    request.caption = LoadMessageText(kMsgTitle, language);
    request.style = kStyleExclamation;
    ui.ShowMessageBox(request);
  }
  return false;
}

std::optional<std::string> CLoadJournal::ReadContent(const std::string& path, std::string* why) {
  // Not while a line is being appended; a journal never written has no lock file.
  CFileLock lock;
  lock.AcquireShared(path + ".lock");
  errno = 0;
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) {
    if (errno == ENOENT) return std::string();
    *why = std::strerror(errno);
    return std::nullopt;
  }
  std::string content;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    content.append(buffer, n);
  if (std::ferror(file.get()) != 0) {
    *why = std::strerror(errno != 0 ? errno : EIO);
    return std::nullopt;
  }
  return content;
}

std::string JournalFailureText(const std::string& reason, Language language) {
  if (language == Language::kFrench) {
    return "Le journal des chargements ne peut être écrit :\n" + reason +
           "\n\nLes chargements continuent sans lui ; ce message ne revient qu'au prochain "
           "démarrage du programme.";
  }
  return "The journal of loads cannot be written:\n" + reason +
         "\n\nLoads go on without it; this is not said again until the program starts anew.";
}
