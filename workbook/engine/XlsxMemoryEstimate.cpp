#include "workbook/engine/XlsxMemoryEstimate.h"

#include <algorithm>
#include <cstring>

namespace xl::zip {

namespace {

bool allBlank(const char* begin, const char* end) {
  for (const char* p = begin; p < end; ++p)
    if (*p != ' ' && *p != '\n' && *p != '\r' && *p != '\t') return false;
  return true;
}

// "<", white space, a byte-order mark (UTF-8, UTF-16, UTF-32) or a UTF-16/32 "<".
bool mayBeginXml(char first) {
  const auto byte = static_cast<unsigned char>(first);
  return byte == '<' || byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == 0xEF ||
         byte == 0xFE || byte == 0xFF || byte == 0x00;
}

}  // namespace

void MemoryEstimate::endRun(qint64 length, bool blank) {
  if (length <= 0 || blank) return;
  textBytes_ += length;
  ++texts_;
  longestRun_ = std::max(longestRun_, length);
}

void MemoryEstimate::startPart() {
  if (inTag_) endRun(run_, run_ <= kLongTag);
  else endRun(run_, runBlank_);
  inTag_ = false;
  run_ = 0;
  runBlank_ = true;
  tagStartSeen_ = 0;
  kind_ = Kind::Unknown;
}

void MemoryEstimate::add(QByteArrayView bytes) {
  inflated_ += bytes.size();
  if (kind_ == Kind::Unknown && !bytes.empty()) kind_ = mayBeginXml(bytes.front()) ? Kind::Markup : Kind::Binary;
  if (kind_ == Kind::Binary) return;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    if (inTag_) {
      if (tagStartSeen_ < 2) {
        const char c = *p++;
        tagStart_[tagStartSeen_++] = c;
        ++run_;
        // "<c " "<c>" "<c/": a cell (not <cols>, not a prefixed <c:chart>).
        if (tagStartSeen_ == 2 && tagStart_[0] == 'c' && (c == ' ' || c == '>' || c == '/')) ++cellTags_;
        if (c == '>') {
          endRun(run_, run_ <= kLongTag);
          inTag_ = false;
          run_ = 0;
          runBlank_ = true;
        }
        continue;
      }
      const auto* close = static_cast<const char*>(std::memchr(p, '>', static_cast<size_t>(end - p)));
      const char* stop = close != nullptr ? close + 1 : end;
      run_ += stop - p;
      p = stop;
      if (close != nullptr) {
        endRun(run_, run_ <= kLongTag);
        inTag_ = false;
        run_ = 0;
        runBlank_ = true;
      }
    } else {
      const auto* open = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)));
      const char* stop = open != nullptr ? open : end;
      if (runBlank_) runBlank_ = allBlank(p, stop);
      run_ += stop - p;
      p = stop;
      if (open != nullptr) {
        endRun(run_, runBlank_);
        inTag_ = true;
        run_ = 1;
        tagStartSeen_ = 0;
        ++p;
      }
    }
  }
}

qint64 MemoryEstimate::needed() const {
  // The run still open counts as far as it has come: a single text of
  // hundreds of megabytes is refused while it inflates.
  const bool openRunIsText = inTag_ ? run_ > kLongTag : !runBlank_;
  const qint64 open = openRunIsText ? run_ : 0;
  const qint64 texts = texts_ + (open > 0 ? 1 : 0);
  return inflated_ + cellTags_ * limits_.bytesPerCell + 2 * (textBytes_ + open) + texts * limits_.bytesPerText +
         4 * std::max(longestRun_, open);
}

}  // namespace xl::zip
