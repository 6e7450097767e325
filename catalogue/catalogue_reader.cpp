#include "catalogue/catalogue_reader.h"

#include <cstring>

#include "base/atomic_file.h"
#include "base/open_failure.h"
#include "base/user_interaction.h"
#include "catalogue/catalogue.h"

namespace {
// Most passes stop at their record, so a larger buffer mostly reads what is never looked at.
constexpr std::size_t kBufferBytes = 8 * 1024;
}  // namespace

CCatalogueReader::CCatalogueReader(const std::string& path, UserInteraction& ui)
    : path_(path),
      file_(OpenFile(path, "rb").release()),
      ui_(ui),
      buffer_(new char[kBufferBytes]),
      capacity_(kBufferBytes) {}

CCatalogueReader::~CCatalogueReader() {
  if (file_ != nullptr) std::fclose(file_);
}

void CCatalogueReader::ShowOpenFailure(Language language) const {
  ShowMessageById(ui_, language, kMsgCatalogueOpenError, kStyleStop, DescribeOpenFailure(path_));
}

bool CCatalogueReader::Refill() {
  if (file_ == nullptr || failed_) return false;
  begin_ = 0;
  end_ = std::fread(buffer_.get(), 1, capacity_, file_);
  if (end_ == 0 && std::ferror(file_)) {
    // A device error in the middle of the catalogue: say so rather than act on half of it.
    failed_ = true;
    ui_.ShowFileReadError();
  }
  return end_ > 0;
}

bool CCatalogueReader::ReadLine(std::string* line) {
  line->clear();
  bool any = false;
  for (;;) {
    if (begin_ == end_ && !Refill()) break;
    any = true;
    const char* start = buffer_.get() + begin_;
    const void* lf = std::memchr(start, '\n', end_ - begin_);
    if (lf != nullptr) {
      std::size_t length = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
      line->append(start, length);
      begin_ += length + 1;
      // Only a CR that ends the line with its LF belongs to the line end.
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
    line->append(start, end_ - begin_);
    begin_ = end_;
  }
  return any;
}

void CCatalogueReader::Rewind() {
  if (file_ == nullptr || failed_) return;
  std::rewind(file_);
  begin_ = end_ = 0;
}

void ScanRecord(CCatalogueReader& reader, std::string_view key,
                const std::function<bool(std::string_view line)>& onLine) {
  bool found = false;
  std::string line;
  while (reader.ReadLine(&line)) {
    if (LineTag(line) == kTagRecord) {
      if (found) return;
      found = LineValue(line) == key;
      continue;
    }
    if (found && !onLine(line)) return;
  }
}
