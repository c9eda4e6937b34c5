#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include "workbook/engine/XlsxFile.h"

namespace xl::zip {

// What the parts of a package will take in memory once they are read, learnt
// from their bytes as they inflate, long before anything is parsed: the
// inflated bytes themselves (they stay until the workbook is built, and the
// parts the engine does not model stay with it), the cells announced, and the
// texts. Every run of characters between two tags becomes a string of two
// bytes a character with its own allocation, whatever it holds (a shared or
// inline string, a formula, a carried element); the longest of them is also
// decoded and copied while it is read. A tag longer than kLongTag is counted
// as text, for its attribute values are held the same way.
class MemoryEstimate {
 public:
  explicit MemoryEstimate(const ReadLimits& limits) : limits_(limits) {}

  // The next part begins: nothing of the last one carries over. A part whose
  // first byte cannot begin XML (a picture, a printer's settings) is only
  // held: read as XML it would fail at that byte.
  void startPart();
  void add(QByteArrayView bytes);

  qint64 cellTags() const { return cellTags_; }
  qint64 textBytes() const { return textBytes_; }
  // The memory the package would need, in bytes.
  qint64 needed() const;
  bool fits() const { return needed() <= limits_.memoryBudget; }

  static constexpr qint64 kLongTag = 256;

 private:
  void endRun(qint64 length, bool blank);

  const ReadLimits& limits_;
  qint64 inflated_ = 0;
  qint64 cellTags_ = 0;
  qint64 textBytes_ = 0;
  qint64 texts_ = 0;
  qint64 longestRun_ = 0;
  enum class Kind { Unknown, Markup, Binary } kind_ = Kind::Unknown;
  // Where the scan stands across pieces of a part.
  bool inTag_ = false;
  qint64 run_ = 0;         // characters (or tag bytes) since the run began
  bool runBlank_ = true;   // the text run so far is only white space
  char tagStart_[2] = {0, 0};  // the first bytes of the current tag, for "<c"
  int tagStartSeen_ = 0;
};

}  // namespace xl::zip
