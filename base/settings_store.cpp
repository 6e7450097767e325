#include "base/settings_store.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/atomic_file.h"
#include "base/file_lock.h"
#include "base/places.h"
#include "base/system_error.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// One line of the file without its line end, and where it lies.
struct Line {
  std::string_view text;
  std::size_t begin = 0;  // offset of the line
  std::size_t end = 0;    // offset just past its line end
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t nl = content.find('\n', pos);
    std::size_t stop = nl == std::string_view::npos ? content.size() : nl;
    std::size_t next = nl == std::string_view::npos ? content.size() : nl + 1;
    std::string_view text = content.substr(pos, stop - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    lines.push_back({text, pos, next});
    pos = next;
  }
  return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  std::size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

// The key of a "key=value" line, and the value.
bool SplitKeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

struct Location {
  bool sectionFound = false;
  std::size_t sectionLine = 0;      // index of the "[section]" line
  std::size_t lastContentLine = 0;  // last non-blank line of the section
  bool keyFound = false;
  std::size_t keyLine = 0;
};

Location Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location loc;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::string_view> name = SectionOf(lines[i].text);
    if (name) {
      if (inSection) break;  // the first section of that name is the one that counts
      if (EqualsNoCase(*name, section)) {
        inSection = true;
        loc.sectionFound = true;
        loc.sectionLine = i;
        loc.lastContentLine = i;
      }
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i].text).empty()) loc.lastContentLine = i;
    std::string_view k, v;
    if (!loc.keyFound && SplitKeyValue(lines[i].text, &k, &v) && EqualsNoCase(k, key)) {
      loc.keyFound = true;
      loc.keyLine = i;
    }
  }
  return loc;
}

// A value is one line: whatever follows a line break would become a line of its own.
std::string_view OneLine(std::string_view value) {
  std::size_t cut = value.find_first_of("\r\n");
  return cut == std::string_view::npos ? value : value.substr(0, cut);
}

// A missing file reads as empty; a file that cannot be read is a failure.
bool ReadWholeFile(const std::string& path, std::string* content) {
  content->clear();
  errno = 0;
  UniqueFile file = OpenFile(path, "rb");
  if (file == nullptr) return errno == ENOENT;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    content->append(buffer, n);
  return std::ferror(file.get()) == 0;
}

bool IsValidName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == '\r' || c == '\n' || c == '=' || c == '[' || c == ']') return false;
  }
  return Trim(name) == name;
}

}  // namespace

std::optional<std::string> FindProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
  std::vector<Line> lines = SplitLines(content);
  Location loc = Locate(lines, section, key);
  if (!loc.keyFound) return std::nullopt;
  std::string_view k, v;
  SplitKeyValue(lines[loc.keyLine].text, &k, &v);
  return std::string(v);
}

std::string ReplaceProfileValue(std::string_view content, std::string_view section,
                                std::string_view key, std::string_view value) {
  value = OneLine(value);
  std::vector<Line> lines = SplitLines(content);
  bool crlf = !lines.empty() && lines.front().end > lines.front().begin &&
              content.substr(lines.front().begin, lines.front().end - lines.front().begin)
                  .ends_with("\r\n");
  const char* eol = crlf ? "\r\n" : "\n";
  Location loc = Locate(lines, section, key);
  std::string out;
  if (loc.keyFound) {
    const Line& line = lines[loc.keyLine];
    std::string_view k, v;
    SplitKeyValue(line.text, &k, &v);
    out.append(content.substr(0, line.begin));
    out.append(k).append("=").append(value);
    std::string_view rest = content.substr(line.begin + line.text.size());
    if (rest.empty()) out.append(eol);
    out.append(rest);
    return out;
  }
  if (loc.sectionFound) {
    const Line& after = lines[loc.lastContentLine];
    out.append(content.substr(0, after.end));
    if (after.end == content.size() && !content.ends_with("\n")) out.append(eol);
    out.append(key).append("=").append(value).append(eol);
    out.append(content.substr(after.end));
    return out;
  }
  out.append(content);
  if (!out.empty() && !out.ends_with("\n")) out.append(eol);
  out.append("[").append(section).append("]").append(eol);
  out.append(key).append("=").append(value).append(eol);
  return out;
}

int ParseProfileInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  // Wraps like a 32-bit accumulator rather than failing on absurd lengths.
  std::uint32_t value = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    ++i;
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

CSettingsStore::CSettingsStore(std::string path) : path_(std::move(path)) {}

std::string CSettingsStore::DefaultPath() {
  return DefaultSettingsPath();
}

std::optional<std::string> CSettingsStore::ReadValue(std::string_view section,
                                                     std::string_view key) const {
  std::string content;
  {
    // Not while another program replaces the file (on Windows the replace would fail while
    // the file is open here); a store never written has no lock file, and is read as it is.
    CFileLock lock;
    lock.AcquireShared(path_ + ".lock");
    if (!ReadWholeFile(path_, &content)) return std::nullopt;
  }
  return FindProfileValue(content, section, key);
}

int CSettingsStore::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
  std::optional<std::string> value = ReadValue(section, key);
  return value ? ParseProfileInt(*value) : defaultValue;
}

std::string CSettingsStore::GetText(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  std::optional<std::string> value = ReadValue(section, key);
  // Texts are read into a buffer of 4096 characters, terminator included.
  std::string text = value ? *value : std::string(defaultValue);
  if (text.size() > 4095) text.resize(4095);
  return text;
}

bool CSettingsStore::SetInt(std::string_view section, std::string_view key, int value) {
  return SetText(section, key, std::to_string(value));
}

bool CSettingsStore::Fail(int errorCode) {
  lastWriteError_ = SystemErrorText(errorCode);
  if (lastWriteError_.empty()) lastWriteError_ = "error " + std::to_string(errorCode);
  return false;
}

bool CSettingsStore::SetText(std::string_view section, std::string_view key,
                             std::string_view value) {
  lastWriteError_.clear();
  if (!IsValidName(section) || !IsValidName(key)) {
    lastWriteError_ = "not a name the settings can hold";
    return false;
  }
  if (!MakeFolders(FolderOf(path_))) return Fail(LastSystemError());
  CFileLock lock;
  if (!lock.Acquire(path_ + ".lock")) return Fail(LastSystemError());
  std::string content;
  if (!ReadWholeFile(path_, &content)) return Fail(LastSystemError());
  if (!ReplaceFileAtomically(path_, ReplaceProfileValue(content, section, key, value)))
    return Fail(LastSystemError());
  return true;
}
