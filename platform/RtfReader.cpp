#include "platform/RtfReader.h"

#include <QColor>
#include <QHash>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <vector>

namespace {

// Windows-1252 characters 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

QChar fromCodePage(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return QChar(kCp1252High[byte - 0x80]);
  return QChar(byte);
}

// Destinations whose text is not part of the document.
const QHash<QByteArray, bool>& skippedDestinations() {
  static const QHash<QByteArray, bool> names = [] {
    QHash<QByteArray, bool> set;
    for (const char* name : {"fonttbl", "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf",
                             "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "object", "listtable",
                             "listoverridetable", "rsidtbl", "xmlnstbl", "generator", "themedata", "datastore",
                             "latentstyles", "colorschememapping", "pgdsctbl", "revtbl", "filetbl", "mmathPr",
                             "nonshppict", "shppict", "bkmkstart", "bkmkend", "pn", "annotation", "atnid", "atnauthor"})
      set.insert(name, true);
    return set;
  }();
  return names;
}

struct State {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = 24;
  int colour = 0;
  bool skip = false;
  bool colourTable = false;
  int unicodeSkip = 1;
  // Paragraph.
  int leftTwips = 0;
  int firstTwips = 0;
  int rightTwips = 0;
  int beforeTwips = 0;
  int afterTwips = 0;
  Qt::Alignment alignment = Qt::AlignLeft;

  void plain() {
    bold = italic = underline = false;
    halfPoints = 24;
    colour = 0;
  }
  void paragraphDefaults() {
    leftTwips = firstTwips = rightTwips = beforeTwips = afterTwips = 0;
    alignment = Qt::AlignLeft;
  }
};

double twipsToPixels(int twips) { return twips / 15.0; }

class Reader {
 public:
  Reader(const QByteArray& rtf, QTextDocument& document) : rtf_(rtf), document_(document), cursor_(&document) {}

  QString run() {
    document_.clear();
    cursor_ = QTextCursor(&document_);
    qsizetype at = 0;
    while (at < rtf_.size() && QChar::isSpace(static_cast<uchar>(rtf_[at]))) ++at;
    if (!rtf_.mid(at).startsWith("{\\rtf")) {
      cursor_.insertText(QString::fromLatin1(rtf_));
      return QStringLiteral("This file is not a rich-text (RTF) document; its text is shown as it is.");
    }
    pos_ = at;
    while (pos_ < rtf_.size()) step();
    flush();
    finishParagraph(false);
    // A document's closing \par ends its last paragraph; it opens no empty one.
    if (afterBreak_ && cursor_.block().length() == 1 && cursor_.blockNumber() > 0) cursor_.deletePreviousChar();
    if (stack_.size() > 0) return QStringLiteral("The file ends before its document does; what could be read is shown.");
    if (unbalanced_) return QStringLiteral("The file's groups do not match; what could be read is shown.");
    return QString();
  }

 private:
  void step() {
    const char c = rtf_[pos_];
    if (c == '{') {
      flush();
      ++pos_;
      stack_.push_back(state_);
      groupStart_ = true;
      return;
    }
    if (c == '}') {
      flush();
      ++pos_;
      if (stack_.empty()) {
        unbalanced_ = true;
        return;
      }
      state_ = stack_.back();
      stack_.pop_back();
      groupStart_ = false;
      return;
    }
    if (c == '\\') {
      controlWord();
      return;
    }
    ++pos_;
    groupStart_ = false;
    if (c == '\r' || c == '\n') return;
    text(fromCodePage(static_cast<uchar>(c)));
  }

  void controlWord() {
    ++pos_;  // the backslash
    if (pos_ >= rtf_.size()) return;
    const char first = rtf_[pos_];
    if (!QChar::isLetter(static_cast<uchar>(first))) {
      ++pos_;
      const bool wasGroupStart = groupStart_;
      groupStart_ = false;
      switch (first) {
        case '\\':
        case '{':
        case '}':
          text(QChar(first));
          break;
        case '~':
          text(QChar(0x00A0));
          break;
        case '_':
          text(QChar(0x2011));
          break;
        case '\'': {
          bool ok = false;
          const uint code = rtf_.mid(pos_, 2).toUInt(&ok, 16);
          pos_ += 2;
          if (ok) text(fromCodePage(static_cast<uchar>(code)));
          break;
        }
        case '*':
          // An optional destination: the word that follows still starts the group.
          starredGroup_ = wasGroupStart;
          groupStart_ = wasGroupStart;
          break;
        case '\r':
        case '\n':
          paragraph();
          break;
        default:
          break;  // "\-" optional hyphen, "\:" and others show nothing
      }
      return;
    }
    const qsizetype start = pos_;
    while (pos_ < rtf_.size() && QChar::isLetter(static_cast<uchar>(rtf_[pos_]))) ++pos_;
    const QByteArray word = rtf_.mid(start, pos_ - start);
    bool hasParameter = false;
    int parameter = 0;
    const qsizetype numberStart = pos_;
    if (pos_ < rtf_.size() && (rtf_[pos_] == '-' || QChar::isDigit(static_cast<uchar>(rtf_[pos_])))) {
      ++pos_;
      while (pos_ < rtf_.size() && QChar::isDigit(static_cast<uchar>(rtf_[pos_])) && pos_ - numberStart < 11) ++pos_;
      parameter = rtf_.mid(numberStart, pos_ - numberStart).toInt(&hasParameter);
    }
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ') ++pos_;
    const bool wasGroupStart = groupStart_;
    groupStart_ = false;
    const bool starred = starredGroup_;
    starredGroup_ = false;
    apply(word, hasParameter, parameter, wasGroupStart, starred);
  }

  void apply(const QByteArray& word, bool hasParameter, int parameter, bool groupStart, bool starred) {
    const bool on = !hasParameter || parameter != 0;
    if (groupStart && skippedDestinations().contains(word)) {
      state_.skip = true;
      return;
    }
    if (groupStart && word == "colortbl") {
      state_.colourTable = true;
      state_.skip = true;
      pendingColour_ = {};
      return;
    }
    if (state_.colourTable) {
      const int component = std::clamp(parameter, 0, 255);
      if (word == "red") pendingColour_.red = component;
      else if (word == "green") pendingColour_.green = component;
      else if (word == "blue") pendingColour_.blue = component;
      if (word == "red" || word == "green" || word == "blue") pendingColour_.given = true;
      return;
    }
    if (word == "bin" && hasParameter) {  // binary data: skipped whole
      pos_ += std::max(0, parameter);
      return;
    }
    if (starred && groupStart) {  // an optional destination not known here
      state_.skip = true;
      return;
    }
    if (word == "par" || word == "sect" || word == "page") paragraph();
    else if (word == "line") text(QChar::LineSeparator);
    else if (word == "tab") text(QLatin1Char('\t'));
    else if (word == "emdash") text(QChar(0x2014));
    else if (word == "endash") text(QChar(0x2013));
    else if (word == "bullet") text(QChar(0x2022));
    else if (word == "lquote") text(QChar(0x2018));
    else if (word == "rquote") text(QChar(0x2019));
    else if (word == "ldblquote") text(QChar(0x201C));
    else if (word == "rdblquote") text(QChar(0x201D));
    else if (word == "u" && hasParameter) unicode(parameter);
    else if (word == "uc") state_.unicodeSkip = std::max(0, parameter);
    else if (word == "b") setCharacter(state_.bold, on);
    else if (word == "i") setCharacter(state_.italic, on);
    else if (word == "ul") setCharacter(state_.underline, on);
    else if (word == "ulnone") setCharacter(state_.underline, false);
    else if (word == "plain") {
      flush();
      state_.plain();
    } else if (word == "fs" && hasParameter && parameter > 0) {
      flush();
      state_.halfPoints = parameter;
    } else if (word == "cf" && hasParameter) {
      flush();
      state_.colour = parameter;
    } else if (word == "pard") state_.paragraphDefaults();
    else if (word == "li") state_.leftTwips = parameter;
    else if (word == "fi") state_.firstTwips = parameter;
    else if (word == "ri") state_.rightTwips = parameter;
    else if (word == "sb") state_.beforeTwips = parameter;
    else if (word == "sa") state_.afterTwips = parameter;
    else if (word == "ql") state_.alignment = Qt::AlignLeft;
    else if (word == "qc") state_.alignment = Qt::AlignHCenter;
    else if (word == "qr") state_.alignment = Qt::AlignRight;
    else if (word == "qj") state_.alignment = Qt::AlignJustify;
    // Every other control word changes nothing that is shown.
  }

  void setCharacter(bool& property, bool value) {
    flush();
    property = value;
  }

  void unicode(int code) {
    if (code < 0) code += 65536;
    text(QChar(static_cast<char16_t>(code)));
    toSkip_ = state_.unicodeSkip;
  }

  void text(QChar character) {
    if (state_.colourTable) {
      if (character == QLatin1Char(';')) {
        // An entry without components is the automatic colour.
        colours_.push_back(pendingColour_.given ? QColor(pendingColour_.red, pendingColour_.green, pendingColour_.blue)
                                                : QColor());
        pendingColour_ = {};
      }
      return;
    }
    if (toSkip_ > 0) {
      --toSkip_;
      return;
    }
    if (state_.skip) return;
    afterBreak_ = false;
    if (pending_.isEmpty()) pendingState_ = state_;
    pending_ += character;
  }

  void flush() {
    if (pending_.isEmpty()) return;
    QTextCharFormat format;
    format.setFontWeight(pendingState_.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(pendingState_.italic);
    format.setFontUnderline(pendingState_.underline);
    format.setFontPointSize(pendingState_.halfPoints / 2.0);
    const auto colour = static_cast<size_t>(pendingState_.colour);
    if (pendingState_.colour > 0 && colour < colours_.size() && colours_[colour].isValid())
      format.setForeground(colours_[colour]);
    cursor_.insertText(pending_, format);
    pending_.clear();
  }

  void paragraph() {
    toSkip_ = 0;
    if (state_.skip) return;
    flush();
    finishParagraph(true);
    afterBreak_ = true;
  }

  void finishParagraph(bool another) {
    QTextBlockFormat block;
    block.setLeftMargin(twipsToPixels(state_.leftTwips));
    block.setTextIndent(twipsToPixels(state_.firstTwips));
    block.setRightMargin(twipsToPixels(state_.rightTwips));
    block.setTopMargin(twipsToPixels(state_.beforeTwips));
    block.setBottomMargin(twipsToPixels(state_.afterTwips));
    block.setAlignment(state_.alignment);
    cursor_.setBlockFormat(block);
    if (another) cursor_.insertBlock(block);
  }

  const QByteArray& rtf_;
  QTextDocument& document_;
  QTextCursor cursor_;
  qsizetype pos_ = 0;
  State state_;
  std::vector<State> stack_;
  std::vector<QColor> colours_;
  struct {
    int red = 0, green = 0, blue = 0;
    bool given = false;
  } pendingColour_;
  QString pending_;
  State pendingState_;
  int toSkip_ = 0;
  bool groupStart_ = false;
  bool starredGroup_ = false;
  bool unbalanced_ = false;
  bool afterBreak_ = false;
};

}  // namespace

namespace RtfReader {

QString read(const QByteArray& rtf, QTextDocument& document) { return Reader(rtf, document).run(); }

}  // namespace RtfReader
